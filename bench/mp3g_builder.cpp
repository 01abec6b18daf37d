// The MP3+G builder over a large song tree: 100,000 ".zip" files in 1,000 folders (names with
// accents), built into an empty SongBook, beside `find` listing the same tree. The builder's
// pauses return at once, so their wait is not measured. Run by hand:
//     mp3g_builder [files] [folders]
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "data/data_files.h"
#include "exchange/Mp3gSongBookBuilder.h"
#include "runtime/error/error.h"
#include "runtime/thread/thread.h"

namespace {

using bench::Clock;
using bench::seconds;

struct Figure {
    double median = 0, low = 0, high = 0;
};

Figure figure(std::vector<double> runs) {
    std::sort(runs.begin(), runs.end());
    return {runs[runs.size() / 2], runs.front(), runs.back()};
}

void makeTree(const std::string& top, long files, long folders) {
    for (long f = 0; f < folders; ++f) {
        const std::string folder = top + "/Volume " + std::to_string(f) + " Été";
        std::filesystem::create_directories(folder);
        for (long i = f; i < files; i += folders) {
            const std::string name = "ZX" + std::to_string(100000 + i / 15) + "-" + std::to_string(i % 15 + 1) +
                                     " - Zoë Artiste " + std::to_string(i % 997) + " - Chanson d'été " +
                                     std::to_string(i) + ".zip";
            std::ofstream(folder + "/" + name);
        }
    }
}

double findOnce(const std::string& top) {
    const std::string cmd = "find '" + top + "' -type f -iname '*.zip' > /dev/null";
    const auto t0 = Clock::now();
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "find failed\n");
    return seconds(t0);
}

// A new, empty SongBook pair book.2bk/.2bd, open on the calling thread.
void openNewSongBook(const std::string& book) {
    SongBookFileName = book + ".2bk";
    SBDiscsFileName = book + ".2bd";
    SBK.create();
    SBD.create();
    SBK.open();
    SBD.open();
}

// One build into a new, empty SongBook: the scan, then the key rebuild the window does.
double buildOnce(const std::string& top, const std::string& book, long& added) {
    double s = 0;
    rt::runProgram([&] {
        openNewSongBook(book);
        Mp3gScan scan;
        scan.subFolders = true;
        scan.pause = [](const std::string&) { return Mp3gScan::Pause::Go; };
        const auto t0 = Clock::now();
        scan.run(top);
        SBK.close();
        SBK.buildKeys();
        s = seconds(t0);
        added = scan.added;
        SBD.close();
    });
    return s;
}

// The same listings and discs written straight into a new SongBook, with no folders read:
// what the record files alone cost.
double addOnce(const std::string& book, long files) {
    double s = 0;
    rt::runProgram([&] {
        openNewSongBook(book);
        const auto t0 = Clock::now();
        SBK.stream();
        SBD.stream();
        for (long i = 0; i < files; ++i) {
            const std::string disc = "ZX" + std::to_string(100000 + i / 15);
            if (i % 15 == 0) {
                SBD.clearBuffer();
                SBD.UNQDISKID = disc;
                SBD.ALTDISKID = disc;
                SBD.MAKEID = 1;
                SBD.add();
            }
            SBK.clearBuffer();
            SBK.UNQDISKID = disc;
            SBK.DISKTRACKNO = static_cast<std::uint32_t>(i % 15 + 1);
            SBK.ARTIST = "Zoë Artiste " + std::to_string(i % 997);
            SBK.TITLE = "Chanson d'été " + std::to_string(i);
            SBK.MAKEID = "ZX";
            SBK.add();
        }
        SBK.flush();
        SBD.flush();
        SBK.close();
        SBK.buildKeys();
        s = seconds(t0);
        SBD.close();
    });
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    const long files = argc > 1 ? std::atol(argv[1]) : 100000;
    const long folders = argc > 2 ? std::atol(argv[2]) : 1000;
    char tmpl[] = "/tmp/cantorelle-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) return 1;
    const std::string root = tmpl, top = root + "/songs";
    makeTree(top, files, folders);
    std::printf("%ld song files in %ld folders\n", files, folders);

    // A warm-up of each, then alternating runs so both see the same machine.
    long added = 0;
    findOnce(top);
    buildOnce(top, root + "/warm", added);
    std::vector<double> finds, builds, adds;
    for (int r = 0; r < 5; ++r) {
        finds.push_back(findOnce(top));
        adds.push_back(addOnce(root + "/add" + std::to_string(r), files));
        std::filesystem::remove(root + "/add" + std::to_string(r) + ".2bk");
        std::filesystem::remove(root + "/add" + std::to_string(r) + ".2bd");
        builds.push_back(buildOnce(top, root + "/run" + std::to_string(r), added));
        std::filesystem::remove(root + "/run" + std::to_string(r) + ".2bk");
        std::filesystem::remove(root + "/run" + std::to_string(r) + ".2bd");
    }
    const Figure f = figure(finds), b = figure(builds), a = figure(adds);
    std::printf("find -type f -iname '*.zip'      median %.3f s (%.3f-%.3f)\n", f.median, f.low, f.high);
    std::printf("the listings added, no folders  median %.3f s (%.3f-%.3f)\n", a.median, a.low, a.high);
    std::printf("scan and build (%ld added)   median %.3f s (%.3f-%.3f)\n", added, b.median, b.low, b.high);
    std::printf("ratio build / find: %.1f (target at most 3); build / adding alone: %.2f\n", b.median / f.median,
                b.median / a.median);
    std::filesystem::remove_all(root);
    return 0;
}
