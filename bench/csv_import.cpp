// The CSV import of a large file: 1,000,000 rows (or as many as given) of valid UTF-8 with
// accents, as the export writes them, analysed and imported into an empty SongBook as the host
// runs it (file dialog, analysis, "Import Listings", progress window), beside `sqlite3 .import`
// of the same file into a table of eleven columns, and the same followed by the ten keys of the
// listing file. Each run is a process of its own, so that its peak resident memory is its own;
// rounds alternate ours and the references. Run by hand: csv_import [rows] [rounds]
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "data/globals.h"
#include "exchange/CsvListing.h"
#include "exchange/ImportListings.h"
#include "frontend/headless/driver.h"
#include "runtime/files/csv.h"
#include "runtime/thread/thread.h"

namespace {

using bench::Clock;
using bench::msSince;

const char* const kImportTitle = "Cantorelle V2 SongBook Maker - Import Song Listings";

// A title word: a made-up word, now and then with an accented letter inside or at its end.
std::string accented(std::mt19937& rng) {
    static const char* accents[] = {"é", "è", "ñ", "ö", "ç", "å", "ü"};
    std::string w = bench::word(rng);
    if (rng() % 3 == 0) w += accents[rng() % 7];
    if (rng() % 5 == 0) w.insert(0, accents[rng() % 7]);
    return w;
}

// The file as the export writes it: 15 tracks a disc, custom ids from 1000.
bool writeFile(const std::string& path, long rows) {
    std::mt19937 rng(11);
    rt::CsvWriter out;
    if (out.create(path)) return false;
    CsvListing l;
    for (long i = 0; i < rows; ++i) {
        l.TITLE = accented(rng) + " " + accented(rng);
        l.ARTIST = accented(rng) + " " + bench::word(rng);
        l.ALTDISKID = std::to_string(1000 + i / 15);
        l.DISKTRACKNO = static_cast<std::uint32_t>(i % 15 + 1);
        l.UNQDISKID = "SC" + std::to_string(10000 + i / 15);
        l.GENRE = i % 3 ? "Pop" : "Rock";
        l.DUET = i % 7 ? "" : "X";
        l.SBKMAKEID = "SC";
        l.MAKEID = 1 + static_cast<std::int32_t>(i % 9);
        l.DATEADDED = rt::date(1 + i % 12, 1 + i % 28, 2000 + i % 20);
        if (!rt::isValidUtf8(l.TITLE.str()) || !rt::isValidUtf8(l.ARTIST.str())) return false;
        out.write(CsvListingLine(l));
    }
    return out.commit(true) == 0;
}

struct Run {
    double ms = 0, analysisMs = 0;
    long maxRssKiB = 0, analysisPeakKiB = 0;
    bool ok = false;
};

// The peak resident memory of this process so far.
long peakKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

// Set by the import in its child: the peak when the analysis was done.
long analysisPeakKiB = 0;

// Runs `work` in a child process: its wall time, its peak resident memory, and whether it
// exited 0. The child may report a time of its own through the pipe.
template <class Work>
Run inChild(const Work& work) {
    int fds[2];
    if (::pipe(fds) != 0) return {};
    const auto t0 = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const double report[2] = {work(), static_cast<double>(analysisPeakKiB)};
        if (::write(fds[1], report, sizeof report) != sizeof report) ::_exit(3);
        ::_exit(report[0] >= 0 ? 0 : 1);
    }
    ::close(fds[1]);
    Run r;
    double report[2] = {-1, 0};
    if (::read(fds[0], report, sizeof report) != sizeof report) report[0] = -1;
    ::close(fds[0]);
    int status = 0;
    rusage use{};
    if (pid < 0 || ::wait4(pid, &status, 0, &use) != pid) return {};
    r.ms = msSince(t0);
    r.analysisMs = report[0];
    r.analysisPeakKiB = static_cast<long>(report[1]);
    r.maxRssKiB = use.ru_maxrss;
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

// The import as the host runs it, into a new empty SongBook; the analysis time, -1 on failure.
double importOnce(const std::string& dir, const std::string& file, long rows) {
    SongBookFileName = dir + "/Import.2bk";
    SBDiscsFileName = dir + "/Import.2bd";
    rt::runProgram([] {
        SBK.create();
        SBD.create();
    });
    headless::Driver d;
    d.setSettleTimeout(3600000);
    d.start(ImportListings);
    const auto t0 = Clock::now();
    d.dialog(file);
    while (d.running() && d.window("Analyzing Import File")) d.wait(1);
    const double analysis = msSince(t0);
    analysisPeakKiB = peakKiB();
    if (!d.in(kImportTitle).press("Import Listings")) {
        std::fprintf(stderr, "no import window: %s\n", d.windows().c_str());
        ::_exit(1);  // the program still waits for an answer: the driver would wait for it
    }
    while (d.running() && !d.request()) d.wait(1);
    long long n = 0;
    rt::runProgram([&] {
        SBK.open();
        n = SBK.records();
        SBK.close();
    });
    if (d.running() || n != rows) {
        std::fprintf(stderr, "import failed (%lld listings): %s\n", n, d.windows().c_str());
        ::_exit(1);
    }
    return analysis;
}

const char* const kColumns =
    "CREATE TABLE data(TITLE, ARTIST, ALTDISKID, DISKTRACKNO, UNQDISKID, GENRE, DUET, SBKMAKEID, MAKEID, MAKETYPE,"
    " DATEADDED);";
// The listing file's ten keys over the imported columns.
const char* const kKeys =
    "CREATE INDEX k1 ON data(TITLE COLLATE NOCASE, ARTIST COLLATE NOCASE, DISKTRACKNO, DATEADDED);"
    "CREATE INDEX k2 ON data(GENRE COLLATE NOCASE); CREATE INDEX k3 ON data(TITLE COLLATE NOCASE, ARTIST COLLATE NOCASE);"
    "CREATE INDEX k4 ON data(UNQDISKID COLLATE NOCASE); CREATE INDEX k5 ON data(ARTIST COLLATE NOCASE);"
    "CREATE INDEX k6 ON data(TITLE COLLATE NOCASE); CREATE INDEX k7 ON data(DATEADDED);"
    "CREATE INDEX k8 ON data(MAKETYPE COLLATE NOCASE);"
    "CREATE INDEX k9 ON data(ARTIST COLLATE NOCASE, TITLE COLLATE NOCASE, DISKTRACKNO, DATEADDED);"
    "CREATE UNIQUE INDEX k10 ON data(UNQDISKID COLLATE NOCASE, DISKTRACKNO);";

// `sqlite3 .import` of the file into a new database (with the keys built after, when asked).
double sqliteImport(const std::string& dir, const std::string& file, bool keys) {
    const std::string db = dir + "/ref.db";
    std::filesystem::remove(db);
    const std::string cmd = "sqlite3 '" + db + "' '" + kColumns + "' '.import --csv " + file + " data'" +
                            (keys ? std::string(" '") + kKeys + "'" : std::string()) + " >/dev/null";
    return std::system(cmd.c_str()) == 0 ? 0 : -1;
}

struct Series {
    std::vector<double> ms, mb;
    void add(const Run& r) {
        ms.push_back(r.ms);
        mb.push_back(static_cast<double>(r.maxRssKiB) / 1024);
    }
    static double median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
    void print(const char* what, double reference) const {
        const auto [lo, hi] = std::minmax_element(ms.begin(), ms.end());
        const auto [mlo, mhi] = std::minmax_element(mb.begin(), mb.end());
        std::printf("%-44s median %9.0f ms (%.0f .. %.0f)  peak %6.1f MB (%.1f .. %.1f)", what, median(ms), *lo, *hi,
                    median(mb), *mlo, *mhi);
        if (reference > 0) std::printf("  ratio %.2f", median(ms) / reference);
        std::printf("\n");
    }
};

}  // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    const int rounds = std::max(argc > 2 ? std::atoi(argv[2]) : 5, 3);
    std::string tmpl = (std::filesystem::temp_directory_path() / "cantorelle-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) return 1;
    const std::string dir = tmpl;
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    const std::string file = dir + "/rows.csv";
    const auto t = Clock::now();
    if (!writeFile(file, rows)) {
        std::fprintf(stderr, "could not write %s\n", file.c_str());
        return 1;
    }
    std::printf("(%ld rows, %.1f MB, written in %.1f s)\n", rows,
                static_cast<double>(std::filesystem::file_size(file)) / 1e6, msSince(t) / 1000);

    Series ours, analysis, plain, keyed;
    for (int round = 0; round <= rounds; ++round) {  // round 0 warms up
        const Run a = inChild([&] { return importOnce(dir, file, rows); });
        const Run b = inChild([&] { return sqliteImport(dir, file, false); });
        const Run c = inChild([&] { return sqliteImport(dir, file, true); });
        if (!a.ok || !b.ok || !c.ok) {
            std::fprintf(stderr, "round %d failed (%d %d %d)\n", round, a.ok, b.ok, c.ok);
            std::error_code ec;
            std::filesystem::remove_all(dir, ec);
            return 1;
        }
        if (round == 0) continue;
        ours.add(a);
        analysis.ms.push_back(a.analysisMs);
        analysis.mb.push_back(static_cast<double>(a.analysisPeakKiB) / 1024);
        plain.add(b);
        keyed.add(c);
        std::fflush(stdout);
    }
    const double ref = Series::median(plain.ms), refKeyed = Series::median(keyed.ms);
    std::printf("%d rounds, ours and the references alternated:\n", rounds);
    ours.print("import (analysis, adding, keys)", ref);
    analysis.print("  of which the analysis (peak when done)", 0);
    plain.print("sqlite3 .import", 0);
    keyed.print("sqlite3 .import and the ten keys", 0);
    std::printf("ratio to sqlite3 .import %.2f, to .import with the keys %.2f\n", Series::median(ours.ms) / ref,
                Series::median(ours.ms) / refKeyed);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
