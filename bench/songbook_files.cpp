// The SongBook pair as whole files at the size hosts have (300,000 listings): a backup, which
// archives a consistent copy, beside archiving the files as they lie; a restore, which checks
// the archive and unpacks beside the SongBook first, beside unpacking straight into the
// folder; and the recovery every file action starts with. Rounds alternate ours / the plain
// zip work. Run by hand: songbook_files [scale]
#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "data/globals.h"
#include "runtime/files/folder.h"
#include "runtime/record/record.h"
#include "runtime/record/whole_files.h"
#include "runtime/thread/thread.h"
#include "runtime/zip/zip.h"
#include "shell/SongBookBackup.h"

namespace {

// What the archive work costs without the program's care: the files zipped as they lie, and
// the members unpacked straight into the folder.
bool zipAsTheyLie(const std::string& listing, const std::string& disc, const std::string& archive) {
    std::filesystem::remove(archive);
    int rc = rt::zCreateNewZip(archive);
    if (rc == 0) rc = rt::zOrderFile(listing, "Pop.2bk", 0);
    if (rc == 0) rc = rt::zOrderFile(disc, "Pop.2bd", 0);
    if (rc == 0) rc = rt::zCompressFiles("", "", 3, 0, 0, "c", 0);
    rt::zCloseZipFile();
    return rc == 0;
}

bool unzipStraight(const std::string& archive, const std::string& folder) {
    int err = 0;
    zip_t* za = zip_open(archive.c_str(), ZIP_RDONLY, &err);
    if (!za) return false;
    std::vector<char> buf(1 << 16);
    bool ok = true;
    for (zip_int64_t i = 0; ok && i < zip_get_num_entries(za, 0); ++i) {
        zip_file_t* f = zip_fopen_index(za, static_cast<zip_uint64_t>(i), 0);
        FILE* out = f ? std::fopen((folder + "/" + zip_get_name(za, static_cast<zip_uint64_t>(i), 0)).c_str(), "wb")
                      : nullptr;
        ok = f && out;
        for (zip_int64_t n; ok && (n = zip_fread(f, buf.data(), buf.size())) > 0;)
            ok = std::fwrite(buf.data(), 1, static_cast<std::size_t>(n), out) == static_cast<std::size_t>(n);
        if (out) std::fclose(out);
        if (f) zip_fclose(f);
    }
    zip_discard(za);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    const long rows = static_cast<long>(300000 * scale);
    std::string root = (std::filesystem::temp_directory_path() / "songbook-files-XXXXXX").string();
    if (!::mkdtemp(root.data())) return 1;
    const std::string books = root + "/books", backups = root + "/backups", target = root + "/target",
                      straight = root + "/straight";
    for (const auto& f : {books, backups, target, straight}) std::filesystem::create_directories(f);
    const std::string listing = books + "/Pop.2bk", disc = books + "/Pop.2bd";

    int failed = 0;
    rt::runProgram([&] {
        SongBookFileName = listing;
        SBDiscsFileName = disc;
        SBK.create();
        SBD.create();
        SBK.open();
        SBD.open();
        std::mt19937 rng(7);
        rt::logout(60, {&SBD, &SBK});
        failed += bench::addSongBookDiscs(rows, [](long d) { return std::to_string(100 + d); });
        failed += bench::addSongBookListings(rows, [&](long) {
            SBK.TITLE = bench::word(rng) + " " + bench::word(rng);
            SBK.ARTIST = bench::word(rng);
        });
        rt::commit();
        failed += rt::errorCode();
        SBK.close();
        SBD.close();
    });
    if (failed) {
        std::fprintf(stderr, "building the SongBook failed: %d\n", failed);
        return 1;
    }
    std::printf("SongBook of %ld listings: %.1f MB + %.1f MB\n", rows, std::filesystem::file_size(listing) / 1e6,
                std::filesystem::file_size(disc) / 1e6);

    std::string error;
    const std::string archive = backups + "/Pop.bkp";
    const auto backup = bench::alternate(
        5,
        [&] {
            std::filesystem::remove(archive);
            return WriteSongBookBackup(listing, archive, "c", error) == 0;
        },
        [&] { return zipAsTheyLie(listing, disc, backups + "/raw.bkp"); });
    bench::report("backup (consistent copy, zipped)", backup, "", "zip as they lie");

    const auto restore = bench::alternate(5, [&] { return ExtractSongBookBackup(archive, target, error) == 0; },
                                          [&] { return unzipStraight(archive, straight); });
    bench::report("restore (checked, beside, moved)", restore, "", "unzip straight");

    const auto recover = bench::measure(9, [&] { return rt::recoverRecordFiles({listing, disc}) == 0; });
    bench::report("recovery before a file action", recover, {}, "(no journal to play back)");

    std::filesystem::remove_all(root);
    return 0;
}
