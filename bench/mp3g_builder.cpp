// The MP3+G builder over large song trees: 10,000, 100,000 and 300,000 ".zip" files (100 to a
// folder, names with accents), each built into an empty SongBook (the scan, then the key rebuild
// the window does), beside adding the same listings and discs in the same order straight into
// an empty SongBook in one transaction, with the same rebuild: what the record files alone
// cost. Runs alternate ours / direct; `find` listing the tree is shown for scale. The builder's
// pauses return at once, so their wait is not measured. Limits: at most 1.5 x the direct adding
// at each size, and the ratio flat (the largest at most 1.25 x the smallest). Exits 2 when a
// limit is not held. Run by hand: mp3g_builder [runs] [files ...]
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
using bench::Figure;
using bench::msSince;

constexpr long kFilesPerFolder = 100;

struct Song {
    std::string disc, title, artist;
    std::uint32_t track = 0;
};

// The tree, and its songs in the order the builder reads them (folders and files by name).
std::vector<Song> makeTree(const std::string& top, long files) {
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, Song>>>> folders;
    const long count = (files + kFilesPerFolder - 1) / kFilesPerFolder;
    for (long f = 0; f < count; ++f) {
        const std::string folder = "Volume " + std::to_string(f) + " Été";
        std::filesystem::create_directories(top + "/" + folder);
        std::vector<std::pair<std::string, Song>> names;
        for (long i = f; i < files; i += count) {
            Song s;
            s.disc = "ZX" + std::to_string(100000 + i / 15);
            s.track = static_cast<std::uint32_t>(i % 15 + 1);
            s.artist = "Zoë Artiste " + std::to_string(i % 997);
            s.title = "Chanson d'été " + std::to_string(i);
            const std::string name = s.disc + "-" + std::to_string(s.track) + " - " + s.artist + " - " + s.title + ".zip";
            std::ofstream(top + "/" + folder + "/" + name);
            names.emplace_back(name, std::move(s));
        }
        std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        folders.emplace_back(folder, std::move(names));
    }
    std::sort(folders.begin(), folders.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Song> order;
    for (auto& [folder, names] : folders)
        for (auto& [name, song] : names) order.push_back(std::move(song));
    return order;
}

double findOnce(const std::string& top) {
    const std::string cmd = "find '" + top + "' -type f -iname '*.zip' > /dev/null";
    const auto t0 = Clock::now();
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "find failed\n");
    return msSince(t0);
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

void removeSongBook(const std::string& book) {
    std::filesystem::remove(book + ".2bk");
    std::filesystem::remove(book + ".2bd");
}

// One build into a new, empty SongBook: the scan, then the key rebuild the window does.
// False when it did not add every song.
bool buildOnce(const std::string& top, const std::string& book, long files) {
    long added = 0;
    rt::runProgram([&] {
        openNewSongBook(book);
        Mp3gScan scan;
        scan.subFolders = true;
        scan.pause = [](const std::string&) { return Mp3gScan::Pause::Go; };
        scan.run(top);
        SBK.close();
        SBK.buildKeys();
        added = rt::errorCode() ? -1 : scan.added;
        if (!scan.failure.empty()) std::fprintf(stderr, "the build failed: %s\n", scan.failure.c_str());
        SBD.close();
    });
    removeSongBook(book);
    if (added != files) std::fprintf(stderr, "the builder added %ld of %ld songs\n", added, files);
    return added == files;
}

// The same listings and discs in the same order, written straight into a new SongBook in
// one transaction over both files, then the same key rebuild.
bool addOnce(const std::string& book, const std::vector<Song>& songs) {
    int failed = 0;
    rt::runProgram([&] {
        openNewSongBook(book);
        if (!rt::logout(10, {&SBK, &SBD})) failed = rt::errorCode();
        std::string lastDisc;
        for (const Song& s : songs) {
            if (s.disc != lastDisc) {
                SBD.clearBuffer();
                SBD.UNQDISKID = s.disc;
                SBD.get(SBDiscs::KUNQDISKID);
                if (rt::errorCode() == rt::RecordNotFound) {
                    SBD.clearBuffer();
                    SBD.UNQDISKID = s.disc;
                    SBD.ALTDISKID = s.disc;
                    SBD.MAKEID = 1;
                    SBD.add();
                }
                if (rt::errorCode()) failed = rt::errorCode();
                lastDisc = s.disc;
            }
            SBK.clearBuffer();
            SBK.TITLE = s.title;
            SBK.ARTIST = s.artist;
            SBK.UNQDISKID = s.disc;
            SBK.DISKTRACKNO = s.track;
            SBK.MAKEID = s.disc.substr(0, 2);
            SBK.DATEADDED = rt::today();
            SBK.add();
            if (rt::errorCode()) failed = rt::errorCode();
        }
        rt::commit();
        if (rt::errorCode()) failed = rt::errorCode();
        SBK.close();
        SBK.buildKeys();
        if (rt::errorCode()) failed = rt::errorCode();
        SBD.close();
    });
    removeSongBook(book);
    if (failed) std::fprintf(stderr, "adding directly failed: %d\n", failed);
    return failed == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    std::vector<long> sizes;
    for (int i = 2; i < argc; ++i) sizes.push_back(std::atol(argv[i]));
    if (sizes.empty()) sizes = {10000, 100000, 300000};
    char tmpl[] = "/tmp/cantorelle-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) return 1;
    const std::string root = tmpl;
    bool held = true;
    std::vector<double> ratios;
    for (long files : sizes) {
        const std::string top = root + "/songs" + std::to_string(files);
        const std::vector<Song> songs = makeTree(top, files);
        std::printf("\n%ld song files in %ld folders\n", files, (files + kFilesPerFolder - 1) / kFilesPerFolder);
        int r = 0;
        const auto both = bench::alternate(
            runs, [&] { return buildOnce(top, root + "/run" + std::to_string(r), files); },
            [&] { return addOnce(root + "/add" + std::to_string(r++), songs); });
        std::vector<double> finds;
        for (int i = 0; i < 3; ++i) finds.push_back(findOnce(top));
        const Figure find = bench::figureOf(finds);
        held = bench::reportLimit("scan and key rebuild:", both, 1.5, {}, "added directly") && held;
        std::printf("(find -type f -iname '*.zip': median %.1f ms)\n", find.median);
        ratios.push_back(bench::ratioOf(both));
        std::filesystem::remove_all(top);
    }
    if (ratios.size() >= 2) {
        const auto [lo, hi] = std::minmax_element(ratios.begin(), ratios.end());
        const double spread = *lo > 0 ? *hi / *lo : 0;
        const bool flat = spread > 0 && spread <= 1.25;
        std::printf("\nratio from %.2f to %.2f across the sizes: %.2f (limit 1.25)%s\n", *lo, *hi, spread,
                    flat ? "" : " EXCEEDED");
        held = held && flat;
    }
    std::filesystem::remove_all(root);
    return held ? 0 : 2;
}
