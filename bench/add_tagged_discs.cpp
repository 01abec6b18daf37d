// Adding tagged discs to a SongBook: 50 discs of 15 tracks each, into an empty SongBook and
// into one that already holds many listings. Run by hand: add_tagged_discs [listings]
// (300,000 listings unless given).
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "data/data_files.h"
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
                KAR.TITLE = "Song " + std::to_string(d) + "-" + std::to_string(t);
                KAR.ARTIST = "Artist " + std::to_string(d % 997);
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
            SBK.TITLE = "Listed " + std::to_string(i);
            SBK.ARTIST = "Artist " + std::to_string(i % 4999);
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

bool timeAdding(const char* what, long listings) {
    TagQue.free();
    for (int d = 0; d < kDiscs; ++d) {
        TagQue.clearBuffer();
        TagQue.QUEUNQDISKID = discId("BN", d);
        TagQue.DISKID = "C" + std::to_string(900000 + d);
        TagQue.addInOrder({TagField::QUEUNQDISKID, TagField::DISKID});
    }
    headless::Driver driver;
    driver.setSettleTimeout(600000);
    const auto t0 = Clock::now();
    if (!driver.start(AddTaggedDiscTracks)) {
        std::fprintf(stderr, "%s\n", driver.error().c_str());
        return false;
    }
    const double took = seconds(t0);
    const std::string added = driver.text("?TracksAdded");
    driver.press("&Done");
    std::printf("%-40s %8ld listings before: %d discs, %s tracks added in %.3f s\n", what, listings, kDiscs,
                added.c_str(), took);
    return added == std::to_string(kDiscs * kTracks);
}

}  // namespace

int main(int argc, char** argv) {
    const long listings = argc > 1 ? std::atol(argv[1]) : 300000;
    std::string tmpl = (std::filesystem::temp_directory_path() / "cantorelle-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) return 1;
    const std::string dir = tmpl;
    KaraokeFileName = dir + "/MAIN.TPS";
    SongBookFileName = dir + "/Bench.2bk";
    SBDiscsFileName = dir + "/Bench.2bd";

    bool ok = writeMaster();
    if (ok) ok = writeSongBook(0) && timeAdding("empty SongBook", 0);
    if (ok) {
        const auto t0 = Clock::now();
        ok = writeSongBook(listings);
        std::printf("(building the SongBook of %ld listings took %.1f s)\n", listings, seconds(t0));
    }
    if (ok) ok = timeAdding("full SongBook", listings);

    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return ok ? 0 : 1;
}
