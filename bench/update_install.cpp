// The install of a master database update: a master database of 1,000,000 tracks (15 to a
// disc, accented titles and artists) packed into update files by cantorelle-pack-update and
// installed over an installation that holds an older master database, beside copying the
// same five master files into a folder with cp and syncing them (the install writes its files
// durably too). The install expands the update files into a work folder, checks each new
// file's layout and puts it in place keeping the old one as ".BAK". Rounds alternate install /
// cp; each runs on a fresh copy of the old installation. Also the peak memory of the install.
// Run by hand:
// update_install [tracks] [runs]
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "bench_support.h"
#include "data/data_files.h"
#include "data/globals.h"
#include "frontend/headless/driver.h"
#include "library/UpdateInstall.h"
#include "runtime/error/error.h"
#include "runtime/record/record.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"

namespace {

namespace fs = std::filesystem;
using bench::Clock;
using bench::msSince;
using bench::Timings;
using bench::word;

const char* const kMasters[] = {"MAIN.TPS", "DMAKE.TPS", "DISCS.TPS", "SARTIST.TPS", "STITLE.TPS"};

std::string stem(const std::string& file) { return file.substr(0, file.find('.')); }

// A master database of `tracks` tracks in `folder`, each file in one transaction.
bool buildMasters(const std::string& folder, long tracks, unsigned seed) {
    int failed = 0;
    rt::runProgram([&] {
        SetMasterFileNames(folder);
        std::mt19937 rng(seed);
        auto check = [&] {
            if (rt::errorCode() && !failed) failed = rt::errorCode();
        };
        std::vector<std::string> titles, artists;
        std::set<std::string> seenT, seenA;
        while (static_cast<long>(titles.size()) < tracks / 4 + 1) {
            std::string t = bench::accentedWord(rng) + " " + word(rng);
            if (seenT.insert(rt::upper(t)).second) titles.push_back(t);
        }
        while (static_cast<long>(artists.size()) < std::min(30000L, tracks / 10 + 1)) {
            std::string a = bench::accentedWord(rng) + " " + word(rng);
            if (rt::length(a) <= 25 && seenA.insert(rt::upper(a)).second) artists.push_back(a);
        }
        for (rt::RecordFile* f : std::initializer_list<rt::RecordFile*>{&KAR, &DIS, &BRA, &STI, &SAR}) {
            f->create();
            f->open();
            check();
        }
        if (const int e = bench::addMasterNames(rng, 40, "Série ", titles, artists); e && !failed) failed = e;
        rt::logout(30, {&KAR, &DIS});
        for (long i = 0; i < tracks; ++i) {
            const long d = i / 15;
            const std::string disc = "MS" + std::to_string(100000 + d);
            if (i % 15 == 0) {
                DIS.clearBuffer();
                DIS.MAKEID = static_cast<std::int32_t>(d % 40 + 1);
                DIS.DISKID = std::to_string(d);
                DIS.UNQDISKID = disc;
                DIS.add();
                check();
            }
            KAR.clearBuffer();
            KAR.UNQDISKID = disc;
            KAR.DISKID = std::to_string(d);
            KAR.DISKTRACKNO = static_cast<std::uint16_t>(i % 15 + 1);
            KAR.MAKEID = static_cast<std::int32_t>(d % 40 + 1);
            KAR.TITLE = titles[rng() % titles.size()];
            KAR.ARTIST = artists[rng() % artists.size()];
            KAR.add();
            check();
        }
        rt::commit();
        check();
        for (rt::RecordFile* f : std::initializer_list<rt::RecordFile*>{&KAR, &DIS, &BRA, &STI, &SAR}) f->close();
    });
    if (failed) std::fprintf(stderr, "building the master files in %s failed: %d\n", folder.c_str(), failed);
    return failed == 0;
}

bool run(const std::string& command) {
    if (std::system(command.c_str()) == 0) return true;
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    return false;
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

// The highest resident memory since the last reset, in KiB.
long peakKiB() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The install step of the wizard once every update file is downloaded.
bool install(const std::string& folder) {
    bool ok = true;
    headless::Driver d;
    d.setSettleTimeout(600000);
    if (!d.start([&] {
            SetMasterFileNames(folder);
            std::vector<UpdateFileToInstall> files;
            for (const char* m : kMasters) files.push_back({m, stem(m) + ".UPD"});
            const UpdateInstall r = InstallUpdate(folder, files);
            if (!r.ok) {
                std::fprintf(stderr, "the install failed: %s\n", r.problem.c_str());
                ok = false;
            }
        }))
        return false;
    for (int i = 0; i < 6000 && d.running(); ++i) d.settle();
    if (d.request()) {
        std::fprintf(stderr, "the install asked: %s\n", d.request()->text.c_str());
        ok = false;
    }
    d.end();
    return ok;
}

// The old installation again, with the downloaded update files where the install reads them.
bool prepare(const std::string& dir, const std::string& inst) {
    std::error_code ec;
    fs::remove_all(inst, ec);
    fs::create_directories(inst);
    for (const char* m : kMasters) fs::copy_file(dir + "/old/" + m, inst + "/" + m, ec);
    fs::create_directories(UpdateWorkFolder(inst));
    for (const char* m : kMasters)
        fs::copy_file(dir + "/site/update/01/" + stem(m) + ".UPD", UpdateWorkFolder(inst) + "/" + stem(m) + ".UPD", ec);
    return !ec;
}

bool sameBytes(const std::string& a, const std::string& b) {
    std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
    std::vector<char> bx(1 << 16), by(1 << 16);
    for (;;) {
        x.read(bx.data(), static_cast<std::streamsize>(bx.size()));
        y.read(by.data(), static_cast<std::streamsize>(by.size()));
        if (x.gcount() != y.gcount()) return false;
        if (!std::equal(bx.begin(), bx.begin() + x.gcount(), by.begin())) return false;
        if (x.gcount() == 0) return true;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const long tracks = argc > 1 ? std::atol(argv[1]) : 1000000;
    const int runs = std::max(argc > 2 ? std::atoi(argv[2]) : 5, 3);
    const fs::path self = fs::read_symlink("/proc/self/exe");
    const std::string packer = (self.parent_path().parent_path() / "src" / "cantorelle-pack-update").string();
    std::string tmpl = (fs::temp_directory_path() / "cantorelle-bench-update-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) return 1;
    const std::string dir = tmpl;
    fs::create_directories(dir + "/old");
    fs::create_directories(dir + "/new");

    bool ok = true;
    auto t0 = Clock::now();
    ok = buildMasters(dir + "/old", tracks - tracks / 50, 1) && buildMasters(dir + "/new", tracks, 2);
    std::printf("(building the old and new master databases took %.1f s)\n", bench::seconds(t0));
    t0 = Clock::now();
    ok = ok && run(quoted(packer) + " " + quoted(dir + "/new") + " " + quoted(dir + "/site") + " >/dev/null");
    std::printf("(packing the update took %.1f s)\n", bench::seconds(t0));
    if (ok) {
        std::uintmax_t bytes = 0, packed = 0;
        for (const char* m : kMasters) {
            bytes += fs::file_size(dir + "/new/" + m);
            packed += fs::file_size(dir + "/site/update/01/" + stem(m) + ".UPD");
        }
        std::printf("%ld master tracks: %.1f MB of master files, %.1f MB of update files\n", tracks, bytes / 1e6,
                    packed / 1e6);
    }

    Timings ours, copy;
    long peak = 0;
    const std::string inst = dir + "/inst", ref = dir + "/ref";
    for (int round = 0; ok && round <= runs; ++round) {
        // Round 0 warms up; then ours and cp alternate, which goes first alternating too.
        for (int turn = 0; ok && turn < 2; ++turn) {
            const bool oursNow = (turn == 0) == (round % 2 == 0);
            if (oursNow) {
                ok = prepare(dir, inst);
                resetPeak();
                const auto s = Clock::now();
                ok = ok && install(inst);
                const double ms = msSince(s);
                peak = std::max(peak, peakKiB());
                for (const char* m : kMasters)
                    if (ok && (!sameBytes(inst + "/" + m, dir + "/new/" + m) ||
                               !sameBytes(inst + "/" + stem(m) + ".BAK", dir + "/old/" + m))) {
                        std::fprintf(stderr, "%s is not the new master file after the install, or its .BAK not the old\n", m);
                        ok = false;
                    }
                if (round > 0) ours.ms.push_back(ms);
            } else {
                std::error_code ec;
                fs::remove_all(ref, ec);
                fs::create_directories(ref);
                std::string cmd = "cp", sync = "sync";
                for (const char* m : kMasters) {
                    cmd += " " + quoted(dir + "/new/" + m);
                    sync += " " + quoted(ref + "/" + m);
                }
                cmd += " " + quoted(ref) + " && " + sync;
                const auto s = Clock::now();
                ok = run(cmd);
                if (round > 0) copy.ms.push_back(msSince(s));
            }
        }
    }
    if (ok) {
        ours.print("install of the update");
        copy.print("cp of the same master files + sync");
        std::printf("ratio install / cp: %.2f   peak resident memory of the install: %.1f MB\n",
                    ours.median() / copy.median(), peak / 1024.0);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return ok ? 0 : 1;
}
