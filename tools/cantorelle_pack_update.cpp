// cantorelle-pack-update MASTER_FOLDER OUT_FOLDER: packs the master files of MASTER_FOLDER into
// an update that any static web server can serve from OUT_FOLDER: OUT_FOLDER/update/01/ gets an
// update file per master file and the update list "autoupdate2.inf".
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "data/globals.h"
#include "data/karaoke.h"
#include "library/DecompressUpdateFile.h"
#include "runtime/error/error.h"
#include "runtime/files/csv.h"
#include "runtime/files/file_util.h"
#include "runtime/files/folder.h"
#include "runtime/thread/thread.h"

namespace {

constexpr const char* kMasters[] = {"MAIN.TPS", "DMAKE.TPS", "DISCS.TPS", "SARTIST.TPS", "STITLE.TPS"};
constexpr std::size_t kBlock = 60000;

void usage(std::FILE* to) {
    std::fprintf(to,
                 "usage: cantorelle-pack-update MASTER_FOLDER OUT_FOLDER\n"
                 "\n"
                 "Packs the master files MAIN.TPS, DMAKE.TPS, DISCS.TPS, SARTIST.TPS and STITLE.TPS of\n"
                 "MASTER_FOLDER into an update under OUT_FOLDER/update/01/: one update file per master\n"
                 "file (MAIN.UPD, ...) and the update list autoupdate2.inf, whose first line carries\n"
                 "the number of master tracks as the data version. Serve OUT_FOLDER with any static web\n"
                 "server and point the program's update server (\"Settings\" / \"UpdateServer\") at it.\n"
                 "Files already in OUT_FOLDER/update/01/ are replaced.\n");
}

int fail(const std::string& why) {
    std::fprintf(stderr, "cantorelle-pack-update: %s\n", why.c_str());
    return 1;
}

// Packs `from` into a temporary file beside `to`, a block at a time; "" or why not.
std::string pack(const std::string& from, rt::TempFile& out, const std::string& to, long long& size) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return "cannot read " + from + ": " + std::strerror(errno);
    if (const int e = out.create(to, 0644)) {
        ::close(in);
        return "cannot create " + to + ": " + std::strerror(e);
    }
    // A block is written once it is known whether another follows it.
    std::string pending, chunk(kBlock, '\0');
    size = 0;
    std::string why;
    for (bool first = true;; first = false) {
        std::size_t got = 0;
        while (got < kBlock) {
            const ssize_t n = ::read(in, chunk.data() + got, kBlock - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) why = "cannot read " + from + ": " + std::strerror(errno);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        if (!why.empty()) break;
        if (got == 0 && !first) break;
        if (!pending.empty()) {
            pending[34] = 'X';
            if (const int e = rt::writeAll(out.fd(), pending.data(), pending.size())) {
                why = "cannot write " + to + ": " + std::strerror(e);
                break;
            }
            size += static_cast<long long>(pending.size());
        }
        pending = PackUpdateBlocks(std::string_view(chunk.data(), got), kBlock);
        if (got < kBlock) break;
    }
    ::close(in);
    if (why.empty()) {
        if (const int e = rt::writeAll(out.fd(), pending.data(), pending.size()))
            why = "cannot write " + to + ": " + std::strerror(e);
        size += static_cast<long long>(pending.size());
    }
    return why;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            usage(stdout);
            return 0;
        }
        if (a.size() > 1 && a[0] == '-') {
            usage(stderr);
            return fail("unknown option " + a);
        }
    }
    if (args.size() != 2 || args[0].empty() || args[1].empty()) {
        usage(stderr);
        return 1;
    }
    const std::string master = std::filesystem::path(rt::absolutePath(args[0])).lexically_normal().string();
    const std::string target =
        (std::filesystem::path(rt::absolutePath(args[1])) / "update" / "01").lexically_normal().string();
    if (!rt::folderExists(master)) return fail("no such folder: " + master);

    // The data version: the number of master tracks, read through the program's own files.
    long long tracks = -1;
    std::string why;
    rt::runProgram([&] {
        SetMasterFileNames(master);
        KAR.open(rt::ReadOnly);
        if (const int e = rt::errorCode()) {
            why = "cannot open " + master + "/MAIN.TPS as the master track file: " + rt::errorText(e);
            return;
        }
        tracks = KAR.records();
        KAR.close();
    });
    if (tracks < 0) return fail(why);

    std::error_code ec;
    std::filesystem::create_directories(target, ec);
    if (ec || !rt::folderExists(target)) return fail("cannot create " + target + ": " + (ec ? ec.message() : "not a folder"));

    // Every file is written aside and put in place only when all of them are whole; the list last.
    std::vector<std::unique_ptr<rt::TempFile>> files;
    rt::CsvWriter list;
    const std::string listPath = target + "/autoupdate2.inf";
    if (const int e = list.create(listPath)) return fail("cannot create " + listPath + ": " + std::strerror(e));
    for (const char* name : kMasters) {
        const std::string stem = std::string(name).substr(0, std::string(name).find('.'));
        const std::string updateName = stem + ".UPD";
        files.push_back(std::make_unique<rt::TempFile>());
        long long size = 0;
        if (std::string e = pack(master + "/" + name, *files.back(), target + "/" + updateName, size); !e.empty())
            return fail(e);
        rt::CsvLine line;
        line.text("REPLACE").text(std::to_string(tracks)).text(name).text(updateName).number(size);
        list.write(line);
        std::printf("%-12s -> %-12s %lld bytes\n", name, updateName.c_str(), size);
    }
    for (const auto& f : files)
        if (const int e = f->commit(true)) return fail("cannot write " + f->path() + ": " + std::strerror(e));
    if (const int e = list.error() ? list.error() : list.commit(true))
        return fail("cannot write " + listPath + ": " + std::strerror(e));
    std::printf("Update for %lld master tracks written to %s\n", tracks, target.c_str());
    return 0;
}
