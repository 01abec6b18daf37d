// Adding tagged discs to a SongBook: 50 discs of 15 tracks each, into an empty SongBook and
// into one that already holds many listings, through "Add Tagged Disc(s)" (grouped
// transactions, progress shown). Beside it the least the same work costs: the same reads and
// writes through the record engine in one transaction. Rounds alternate ours / direct, each
// run on a fresh copy of the SongBook; each figure is the median after a warm-up round.
// Titles and artists carry accented letters.
// Run by hand: add_tagged_discs [listings] [runs] (300,000 listings unless given).
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <vector>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "data/data_files.h"
#include "data/karaoke.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "data/tagque.h"
#include "frontend/headless/driver.h"
#include "library/AddTaggedDiscTracks.h"
#include "runtime/error/error.h"
#include "runtime/thread/thread.h"

namespace {

using bench::Clock;
using bench::seconds;

constexpr int kDiscs = 50;
constexpr int kTracks = 15;

std::string discId(const char* code, int n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%05d", code, n);
    return buf;
}

bool fail(const char* what) {
    std::fprintf(stderr, "%s: %s (%d)\n", what, rt::error().c_str(), rt::errorCode());
    return false;
}

// The master tracks of the tagged discs, after 20,000 tracks of other discs.
bool writeMaster() {
    bool ok = true;
    rt::runProgram([&] {
        KAR.create();
        KAR.open();
        KAR.stream();
        for (int d = 0; d < 2000 + kDiscs && ok; ++d) {
            const std::string id = d < 2000 ? discId("OT", d) : discId("BN", d - 2000);
            for (int t = 1; t <= (d < 2000 ? 10 : kTracks); ++t) {
                KAR.clearBuffer();
                KAR.UNQDISKID = id;
                KAR.DISKID = id.substr(2);
                KAR.DISKTRACKNO = static_cast<std::uint16_t>(t);
                KAR.MAKEID = 1 + d % 7;
                KAR.TITLE = "Chanson d'été " + std::to_string(d) + "-" + std::to_string(t);
                KAR.ARTIST = "Zoë Artiste " + std::to_string(d % 997);
                KAR.add();
                if (rt::errorCode()) ok = fail("master track");
            }
        }
        KAR.flush();
        KAR.close();
    });
    return ok;
}

// A SongBook of `listings` listings on discs of 15 tracks, each disc with its record.
bool writeSongBook(long listings) {
    bool ok = true;
    rt::runProgram([&] {
        SBK.create();
        SBD.create();
        SBK.open();
        SBD.open();
        SBK.stream();
        SBD.stream();
        for (long i = 0; i < listings && ok; ++i) {
            const std::string id = discId("SB", static_cast<int>(i / kTracks));
            SBK.clearBuffer();
            SBK.UNQDISKID = id;
            SBK.DISKTRACKNO = static_cast<std::uint32_t>(i % kTracks + 1);
            SBK.TITLE = "Déjà listée " + std::to_string(i);
            SBK.ARTIST = "Müller Ñandú " + std::to_string(i % 4999);
            SBK.GENRE = i % 3 ? "Pop" : "Rock";
            SBK.DATEADDED = rt::date(1, 1, 2020);
            SBK.MAKEID = "SB";
            SBK.add();
            if (rt::errorCode()) ok = fail("listing");
            if (i % kTracks == 0) {
                SBD.clearBuffer();
                SBD.UNQDISKID = id;
                SBD.MAKETYPE = "SB";
                SBD.MAKEID = 1;
                SBD.ALTDISKID = std::to_string(i / kTracks + 1);
                SBD.add();
                if (rt::errorCode()) ok = fail("disc");
            }
        }
        SBK.flush();
        SBD.flush();
        SBK.close();
        SBD.close();
    });
    return ok;
}

// A fresh copy of the SongBook pair for a run.
bool restore(const std::string& dir) {
    std::error_code ec;
    for (const char* ext : {".2bk", ".2bd"}) {
        std::filesystem::copy_file(dir + "/Template" + ext, dir + "/Bench" + ext,
                                   std::filesystem::copy_options::overwrite_existing, ec);
        if (ec) return false;
    }
    return true;
}

void keepTemplate(const std::string& dir) {
    std::error_code ec;
    for (const char* ext : {".2bk", ".2bd"})
        std::filesystem::copy_file(dir + "/Bench" + ext, dir + "/Template" + ext,
                                   std::filesystem::copy_options::overwrite_existing, ec);
}

// The same copying in one transaction through the engine (the program groups the discs of a
// quarter of a second in one transaction: these 50 take less): per track a look for the
// listing, its add, and the disc record with the first track.
bool oneTransaction() {
    bool ok = true;
    rt::runProgram([&] {
        KAR.open();
        SBK.open();
        SBD.open();
        if (!rt::logout(5, {&SBK, &SBD})) {
            ok = fail("logout");
            return;
        }
        for (int d = 0; d < kDiscs && ok; ++d) {
            const std::string id = discId("BN", d);
            std::vector<KaraokeRecord> tracks;
            KAR.clearBuffer();
            KAR.UNQDISKID = id;
            KAR.setAt(KARAOKE::KUNQDISKID);
            for (KAR.next(); rt::errorCode() == rt::NoError && KAR.UNQDISKID.str() == id; KAR.next())
                tracks.push_back(KAR.record());
            SBD.clearBuffer();
            SBD.UNQDISKID = id;
            SBD.get(SBDiscs::KUNQDISKID);
            bool hasDisc = rt::errorCode() == rt::NoError;
            for (const KaraokeRecord& t : tracks) {
                SBK.clearBuffer();
                SBK.UNQDISKID = t.UNQDISKID;
                SBK.DISKTRACKNO = t.DISKTRACKNO;
                SBK.get(SongBook::KUNQDISKID);
                if (rt::errorCode() == rt::NoError) continue;
                SBK.clearBuffer();
                SBK.TITLE = t.TITLE;
                SBK.ARTIST = t.ARTIST;
                SBK.UNQDISKID = t.UNQDISKID;
                SBK.DISKTRACKNO = t.DISKTRACKNO;
                SBK.MAKEID = "BN";
                SBK.add();
                if (rt::errorCode()) ok = fail("add");
                if (!hasDisc) {
                    SBD.clearBuffer();
                    SBD.UNQDISKID = id;
                    SBD.MAKETYPE = "BN";
                    SBD.ALTDISKID = "C" + std::to_string(900000 + d);
                    SBD.add();
                    hasDisc = true;
                }
            }
        }
        rt::commit();
        if (rt::errorCode()) ok = fail("commit");
        KAR.close();
        SBK.close();
        SBD.close();
    });
    return ok;
}

bool addOnce(std::string& added) {
    TagQue.free();
    for (int d = 0; d < kDiscs; ++d) {
        TagQue.clearBuffer();
        TagQue.QUEUNQDISKID = discId("BN", d);
        TagQue.DISKID = "C" + std::to_string(900000 + d);
        TagQue.addInOrder({TagField::QUEUNQDISKID, TagField::DISKID});
    }
    headless::Driver driver;
    driver.setSettleTimeout(600000);
    if (!driver.start(AddTaggedDiscTracks)) {
        std::fprintf(stderr, "%s\n", driver.error().c_str());
        return false;
    }
    added = driver.text("?TracksAdded");
    driver.press("&Done");
    return added == std::to_string(kDiscs * kTracks);
}

bool timeAdding(const char* what, long listings, const std::string& dir, int runs) {
    keepTemplate(dir);
    std::string added;
    // Round by round, ours then the direct adding, each on a fresh copy of the files (the copy
    // is outside the timing); the first round warms up.
    std::vector<double> a, b;
    auto timed = [&](const auto& work, std::vector<double>& into, bool keep) {
        if (!restore(dir)) return false;
        const auto s = Clock::now();
        if (!work()) return false;
        if (keep) into.push_back(bench::msSince(s));
        return true;
    };
    for (int i = 0; i <= std::max(runs, 3); ++i)
        if (!timed([&] { return addOnce(added); }, a, i > 0) || !timed([&] { return oneTransaction(); }, b, i > 0))
            return false;
    const bench::Figure ours = bench::figureOf(a), limit = bench::figureOf(b);
    char label[96];
    std::snprintf(label, sizeof label, "%s (%ld listings):", what, listings);
    bench::report(label, ours, limit, added + " tracks of " + std::to_string(kDiscs) + " discs", "one transaction");
    return ours.runs > 0 && limit.runs > 0;
}

}  // namespace

int main(int argc, char** argv) {
    const long listings = argc > 1 ? std::atol(argv[1]) : 300000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    std::string tmpl = (std::filesystem::temp_directory_path() / "cantorelle-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) return 1;
    const std::string dir = tmpl;
    KaraokeFileName = dir + "/MAIN.TPS";
    SongBookFileName = dir + "/Bench.2bk";
    SBDiscsFileName = dir + "/Bench.2bd";

    bool ok = writeMaster();
    if (ok) ok = writeSongBook(0) && timeAdding("empty SongBook", 0, dir, runs);
    if (ok) {
        const auto t0 = Clock::now();
        ok = writeSongBook(listings);
        std::printf("(building the SongBook of %ld listings took %.1f s)\n", listings, seconds(t0));
    }
    if (ok) ok = timeAdding("full SongBook", listings, dir, runs);

    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return ok ? 0 : 1;
}
