// Converting a SongBook of the previous version (".sbk"/".sbd", 150,000 listings with accented
// titles, 15 a disc, half of the discs in the master disc file) through its progress window,
// as the host opens it, beside copying the same two files with `cp`. Each round converts a
// fresh copy of the old pair; rounds alternate conversion and copy. Run by hand:
//     convert_old_songbook [scale] [rounds]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "bench_support.h"
#include "data/discs.h"
#include "data/globals.h"
#include "data/oldsongbook.h"
#include "frontend/headless/driver.h"
#include "runtime/files/folder.h"
#include "runtime/thread/thread.h"
#include "shell/ConvertOldSongBook.h"

namespace {

using bench::Clock;

// The old pair at folder/Pop.sbk and folder/Pop.sbd, and the master disc file beside it.
bool writeOldPair(const std::string& folder, const std::string& master, long rows) {
    int failed = 0;
    rt::runProgram([&] {
        OldSongBookFileName = folder + "/Pop.sbk";
        OldSBDiscsFileName = folder + "/Pop.sbd";
        DiscsFileName = master;
        SBK1.create();
        SBD1.create();
        DIS.create();
        SBK1.open();
        SBD1.open();
        DIS.open();
        SBK1.stream();
        SBD1.stream();
        DIS.stream();
        std::mt19937 rng(11);
        const long discs = rows / bench::kSongBookTracks + 1;
        for (long d = 0; d < discs; ++d) {
            SBD1.clearBuffer();
            SBD1.UNQDISKID = bench::songBookDiscId(d);
            SBD1.ALTDISKID = std::to_string(100 + d);
            SBD1.MAKEID = 1 + static_cast<int>(d % 7);
            SBD1.add();
            failed += rt::errorCode() != rt::NoError;
            if (d % 2) continue;
            DIS.clearBuffer();
            DIS.UNQDISKID = bench::songBookDiscId(d);
            DIS.DISKID = bench::songBookDiscId(d);
            DIS.MAKEID = 1;
            DIS.add();
            failed += rt::errorCode() != rt::NoError;
        }
        for (long i = 0; i < rows; ++i) {
            SBK1.clearBuffer();
            SBK1.TITLE = bench::accentedWord(rng) + " " + bench::accentedWord(rng) + " " + bench::word(rng);
            SBK1.ARTIST = bench::accentedWord(rng) + " " + bench::word(rng);
            SBK1.LOCATION = "Étagère " + std::to_string(i % 40);
            SBK1.DATEADDED = rt::DayNumber(70000 + i % 3000);
            SBK1.UNQDISKID = bench::songBookDiscId(i / bench::kSongBookTracks);
            SBK1.DISKTRACKNO = static_cast<std::uint16_t>(i % bench::kSongBookTracks + 1);
            SBK1.add();
            failed += rt::errorCode() != rt::NoError;
        }
        for (rt::RecordFile* f : {static_cast<rt::RecordFile*>(&SBK1), static_cast<rt::RecordFile*>(&SBD1),
                                  static_cast<rt::RecordFile*>(&DIS)}) {
            f->flush();
            failed += rt::errorCode() != rt::NoError;
            f->close();
            failed += rt::errorCode() != rt::NoError;
        }
        OldSongBookFileName.clear();
        OldSBDiscsFileName.clear();
    });
    return failed == 0;
}

std::string listingPath;  // the old listing file the next conversion converts

void convertProcedure() {
    SongBookFileName = listingPath;
    SBDiscsFileName = SongBookFileName.str().substr(0, SongBookFileName.str().size() - 1) + "d";
    ConvertOldSongBook();
}

// One conversion of folder/Pop.sbk, driven as the host sees it: the progress window's timer
// runs until the window has gone. Milliseconds, or a negative number when it failed.
double convertOnce(const std::string& folder, long rows) {
    listingPath = folder + "/Pop.sbk";
    headless::Driver d;
    const auto t0 = Clock::now();
    if (!d.start(convertProcedure)) return -1;
    while (d.running() && d.window("Converting SongBook"))
        if (!d.wait(1)) return -2;
    const double ms = bench::msSince(t0);
    if (d.running()) {
        std::fprintf(stderr, "the conversion still shows:\n%s\n", d.windows().c_str());
        d.end();
        return -3;
    }
    long converted = -1;
    rt::runProgram([&] {
        SongBookFileName = folder + "/Pop.2bk";
        SBK.open(rt::ReadOnly);
        converted = rt::errorCode() == rt::NoError ? SBK.records() : -1;
        SBK.close();
        SongBookFileName.clear();
    });
    if (converted != rows) {
        std::fprintf(stderr, "converted %ld of %ld listings\n", converted, rows);
        return -4;
    }
    return ms;
}

bool copyPair(const std::string& from, const std::string& to) {
    std::error_code ec;
    std::filesystem::create_directories(to, ec);
    return std::filesystem::copy_file(from + "/Pop.sbk", to + "/Pop.sbk", ec) &&
           std::filesystem::copy_file(from + "/Pop.sbd", to + "/Pop.sbd", ec);
}

double cpOnce(const std::string& from, const std::string& to) {
    std::filesystem::create_directories(to);
    const std::string cmd = "cp '" + from + "/Pop.sbk' '" + from + "/Pop.sbd' '" + to + "/'";
    const auto t0 = Clock::now();
    if (std::system(cmd.c_str()) != 0) return -1;
    return bench::msSince(t0);
}

}  // namespace

int main(int argc, char** argv) {
    const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    const int rounds = argc > 2 ? std::max(3, std::atoi(argv[2])) : 5;
    const long rows = static_cast<long>(150000 * scale);
    std::string root = (std::filesystem::temp_directory_path() / "convert-old-XXXXXX").string();
    if (!::mkdtemp(root.data())) return 1;
    const std::string pristine = root + "/pristine";
    std::filesystem::create_directories(pristine);
    const std::string master = root + "/DISCS.TPS";
    if (!writeOldPair(pristine, master, rows)) {
        std::fprintf(stderr, "writing the old SongBook failed\n");
        return 1;
    }
    DiscsFileName = master;
    std::printf("old SongBook of %ld listings: %.1f MB + %.1f MB\n", rows,
                std::filesystem::file_size(pristine + "/Pop.sbk") / 1e6,
                std::filesystem::file_size(pristine + "/Pop.sbd") / 1e6);

    bench::Timings ours, reference;
    int failed = 0;
    // A warm-up round of each, then rounds alternated.
    for (int round = -1; round < rounds && !failed; ++round) {
        const std::string folder = root + "/round" + std::to_string(round + 1);
        if (!copyPair(pristine, folder)) {
            std::fprintf(stderr, "copying the old pair failed\n");
            return 1;
        }
        const double c = convertOnce(folder, rows);
        const double r = cpOnce(pristine, folder + "/cp");
        if (c < 0 || r < 0) failed = 1;
        if (round >= 0) {
            ours.ms.push_back(c);
            reference.ms.push_back(r);
        }
        std::filesystem::remove_all(folder);
    }
    if (failed) {
        std::fprintf(stderr, "a round failed\n");
        std::filesystem::remove_all(root);
        return 1;
    }
    ours.print("conversion (progress window)");
    reference.print("cp of the old pair");
    std::printf("ratio %.1f\n", ours.median() / reference.median());
    std::filesystem::remove_all(root);
    return 0;
}
