// Record-file timings at the sizes hosts have: a SongBook of 300,000 listings with all ten
// keys and a master file of 1,000,000 tracks. Run by hand: record_files [scale]
// (scale 0.1 builds a tenth of the records).
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "runtime/record/record.h"
#include "runtime/view/view.h"

namespace {

struct ListingRec {
    rt::Text<40> TITLE;
    rt::Text<40> ARTIST;
    rt::Text<15> UNQDISKID;
    std::uint32_t DISKTRACKNO = 0;
    rt::Text<40> GENRE;
    rt::Text<1> DUET;
    rt::Text<1> PRINT;
    rt::Date DATEADDED;
    rt::Text<20> LOCATION;
    rt::Text<2> MAKEID;
    template <class V>
    void fields(V& v) {
        v("TITLE", TITLE);
        v("ARTIST", ARTIST);
        v("UNQDISKID", UNQDISKID);
        v("DISKTRACKNO", DISKTRACKNO);
        v("GENRE", GENRE);
        v("DUET", DUET);
        v("PRINT", PRINT);
        v("DATEADDED", DATEADDED);
        v("LOCATION", LOCATION);
        v("MAKEID", MAKEID);
    }
};

struct SongBook : rt::File<SongBook, ListingRec> {
    static inline rt::Key KTITLE{"KTITLE", {"TITLE", "ARTIST", "DISKTRACKNO", "DATEADDED"}};
    static inline rt::Key KGENRE{"KGENRE", {"GENRE"}};
    static inline rt::Key KMATCHSONG{"KMATCHSONG", {"TITLE", "ARTIST"}};
    static inline rt::Key KDISKID{"KDISKID", {"UNQDISKID"}};
    static inline rt::Key ARTISTKEY{"ARTISTKEY", {"ARTIST"}};
    static inline rt::Key TITLEKEY{"TITLEKEY", {"TITLE"}};
    static inline rt::Key KDATEADDED{"KDATEADDED", {"DATEADDED"}};
    static inline rt::Key KLOCATION{"KLOCATION", {"LOCATION"}};
    static inline rt::Key KARTIST{"KARTIST", {"ARTIST", "TITLE", "DISKTRACKNO", "DATEADDED"}};
    static inline rt::Key KUNQDISKID{"KUNQDISKID", {"UNQDISKID", "DISKTRACKNO"}, true};
    static inline std::string fileName;
    static rt::FileDeclaration declaration() {
        return {"SongBook", "SBK", [] { return fileName; }, rt::CreateWhenMissing,
                {&KTITLE, &KGENRE, &KMATCHSONG, &KDISKID, &ARTISTKEY, &TITLEKEY, &KDATEADDED, &KLOCATION, &KARTIST,
                 &KUNQDISKID},
                ""};
    }
};

struct TrackRec {
    rt::Text<40> TITLE;
    rt::Text<40> ARTIST;
    rt::Text<10> DISKID;
    std::uint16_t DISKTRACKNO = 0;
    std::int32_t MAKEID = 0;
    rt::Text<15> UNQDISKID;
    template <class V>
    void fields(V& v) {
        v("TITLE", TITLE);
        v("ARTIST", ARTIST);
        v("DISKID", DISKID);
        v("DISKTRACKNO", DISKTRACKNO);
        v("MAKEID", MAKEID);
        v("UNQDISKID", UNQDISKID);
    }
};

struct Karaoke : rt::File<Karaoke, TrackRec> {
    static inline rt::Key KTITLE{"KTITLE", {"TITLE"}};
    static inline rt::Key KUNQDISKID{"KUNQDISKID", {"UNQDISKID"}};
    static inline rt::Key KARTIST{"KARTIST", {"ARTIST"}};
    static inline rt::Key KDISK{"KDISK", {"UNQDISKID", "DISKTRACKNO"}};
    static inline rt::Key KMAKE{"KMAKE", {"MAKEID"}};
    static inline std::string fileName;
    static rt::FileDeclaration declaration() {
        return {"KARAOKE", "KAR", [] { return fileName; }, rt::CreateWhenMissing | rt::ReclaimSpace,
                {&KTITLE, &KUNQDISKID, &KARTIST, &KDISK, &KMAKE}, ""};
    }
};

// The disc id of the i-th listing: 15 tracks a disc, three brands.
std::string discId(long long i) {
    long long d = i / 15;
    const char* brand = d % 3 == 0 ? "SC" : d % 3 == 1 ? "CB" : "PH";
    std::string n = std::to_string(d);
    return brand + std::string(n.size() < 6 ? 6 - n.size() : 0, '0') + n;
}

std::string masterId(long long disc) {
    std::string n = std::to_string(disc);
    return std::string(n.size() < 7 ? 7 - n.size() : 0, '0') + n;
}

using Clock = std::chrono::steady_clock;
double seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

void report(const char* what, double total, long long n, const char* unit) {
    std::printf("  %-44s %9.3f s  %9.2f us/%s  %10.0f %s/s\n", what, total, total * 1e6 / n, unit, n / total, unit);
    std::fflush(stdout);
}

void check(const char* what) {
    if (rt::errorCode() != 0) {
        std::fprintf(stderr, "%s failed: %d %s %s\n", what, rt::errorCode(), rt::error().c_str(),
                     rt::fileError().c_str());
        std::exit(1);
    }
}

// Made-up but realistic texts: titles of a few words, a pool of artists, brand disc ids.
struct Words {
    std::mt19937 rng{20240611};
    std::vector<std::string> words;
    Words() {
        const char* syll[] = {"la", "mor", "tin", "ka", "ro", "bel", "dan", "si", "que", "val", "ne", "sto",
                              "ri", "pa", "lo", "ven", "ta", "mi", "gor", "el", "an", "zu", "ber", "fa"};
        for (int i = 0; i < 3000; ++i) {
            std::string w;
            int n = 1 + static_cast<int>(rng() % 3);
            for (int k = 0; k < n; ++k) w += syll[rng() % 24];
            w[0] = static_cast<char>(w[0] - 32);
            words.push_back(w);
        }
    }
    std::string phrase(int minWords, int maxWords) {
        int n = minWords + static_cast<int>(rng() % (maxWords - minWords + 1));
        std::string s;
        for (int i = 0; i < n; ++i) s += (i ? " " : "") + words[rng() % words.size()];
        return s;
    }
};

}  // namespace

int main(int argc, char** argv) {
    double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    if (scale <= 0) scale = 1.0;
    const long long nListings = static_cast<long long>(300000 * scale);
    const long long nTracks = static_cast<long long>(1000000 * scale);

    std::string tmpl = (std::filesystem::temp_directory_path() / "bench-records-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) return 1;
    std::string folder = tmpl;
    SongBook::fileName = folder + "/bench.2bk";
    Karaoke::fileName = folder + "/MAIN.TPS";
    Words w;
    std::mt19937 rng(7);
    const char* genres[] = {"", "Pop", "Rock", "Country", "R&B", "Oldies", "Showtunes", "Duets", "Latin", "Dance"};
    std::vector<std::string> artists;
    for (int i = 0; i < 20000; ++i) artists.push_back(w.phrase(1, 3));

    std::printf("SongBook: %lld listings, ten keys\n", nListings);
    SongBook book;
    book.create();
    check("create");
    book.open();
    check("open");
    std::vector<std::string> titles;
    titles.reserve(nListings);
    auto t0 = Clock::now();
    rt::logout(10, {&book});
    check("logout");
    for (long long i = 0; i < nListings; ++i) {
        book.clearBuffer();
        book.TITLE = w.phrase(1, 5);
        book.ARTIST = artists[rng() % artists.size()];
        std::string disc = discId(i);
        book.UNQDISKID = disc;
        book.DISKTRACKNO = static_cast<std::uint32_t>(i % 15 + 1);
        book.GENRE = genres[rng() % 10];
        book.DUET = rng() % 10 == 0 ? "X" : "";
        book.DATEADDED = static_cast<rt::DayNumber>(70000 + rng() % 9000);
        book.LOCATION = rng() % 4 == 0 ? "Shelf " + std::to_string(rng() % 40) : "";
        book.MAKEID = disc.substr(0, 2);
        book.add();
        check("add");
        titles.push_back(book.TITLE.str());
    }
    auto tc = Clock::now();
    rt::commit();
    check("commit");
    double commitTime = seconds(tc);
    report("bulk add in one transaction", seconds(t0), nListings, "listing");
    std::printf("  (of which the commit %.3f s; file %.1f MB)\n", commitTime,
                std::filesystem::file_size(SongBook::fileName) / 1e6);

    t0 = Clock::now();
    long long n = 0;
    book.set(SongBook::KTITLE);
    for (book.next(); rt::errorCode() == 0; book.next()) ++n;
    report("full scan in KTITLE order", seconds(t0), n, "listing");
    if (n != nListings) std::printf("  (scan read %lld)\n", n);

    const int pages = 2000;
    t0 = Clock::now();
    for (int p = 0; p < pages; ++p) {
        book.clearBuffer();
        book.TITLE = titles[rng() % titles.size()];
        book.setAt(SongBook::KTITLE);
        for (int r = 0; r < 20; ++r) book.next();
    }
    report("set at a key, then a page of 20 rows", seconds(t0), pages, "page");

    t0 = Clock::now();
    for (int p = 0; p < pages; ++p) {
        book.clearBuffer();
        book.TITLE = titles[rng() % titles.size()];
        book.setAt(SongBook::KTITLE);
        for (int r = 0; r < 20; ++r) book.previous();
    }
    report("set at a key, then 20 rows backwards", seconds(t0), pages, "page");

    {
        rt::View v(book, SongBook::KARTIST);
        v.open();
        check("view open");
        t0 = Clock::now();
        for (int p = 0; p < pages; ++p) {
            book.clearBuffer();
            book.ARTIST = artists[rng() % artists.size()];
            v.setAt();
            for (int r = 0; r < 20; ++r) v.next();
        }
        report("view in KARTIST: set at, page of 20 rows", seconds(t0), pages, "page");
    }

    const int gets = 20000;
    t0 = Clock::now();
    for (int g = 0; g < gets; ++g) {
        long long i = static_cast<long long>(rng() % nListings);
        book.clearBuffer();
        book.UNQDISKID = discId(i);
        book.DISKTRACKNO = static_cast<std::uint32_t>(i % 15 + 1);
        book.get(SongBook::KUNQDISKID);
        check("get");
    }
    report("get by KUNQDISKID", seconds(t0), gets, "get");

    const int puts = 300;
    t0 = Clock::now();
    for (int p = 0; p < puts; ++p) {
        long long i = static_cast<long long>(rng() % nListings);
        book.clearBuffer();
        book.UNQDISKID = discId(i);
        book.DISKTRACKNO = static_cast<std::uint32_t>(i % 15 + 1);
        book.get(SongBook::KUNQDISKID);
        check("get");
        rt::logout(2, {&book});
        check("logout");
        book.GENRE = genres[rng() % 10];
        book.TITLE = w.phrase(1, 4);
        book.put();
        check("put");
        rt::commit();
        check("commit");
    }
    report("put of one listing in its own transaction", seconds(t0), puts, "put");
    t0 = Clock::now();
    long long count = book.records();
    report("records()", seconds(t0), 1, "call");
    if (count != nListings) std::printf("  (records %lld)\n", count);
    book.close();

    std::printf("Master file: %lld tracks, five keys\n", nTracks);
    Karaoke kar;
    kar.create();
    check("create");
    kar.open();
    check("open");
    std::vector<std::string> ktitles;
    ktitles.reserve(nTracks);
    t0 = Clock::now();
    rt::logout(10, {&kar});
    check("logout");
    for (long long i = 0; i < nTracks; ++i) {
        kar.clearBuffer();
        kar.TITLE = w.phrase(1, 5);
        kar.ARTIST = artists[rng() % artists.size()];
        std::string id = masterId(i / 15);
        kar.DISKID = id;
        kar.DISKTRACKNO = static_cast<std::uint16_t>(i % 15 + 1);
        kar.MAKEID = static_cast<std::int32_t>(1 + (i / 15) % 400);
        kar.UNQDISKID = "MK" + id;
        kar.add();
        check("add");
        ktitles.push_back(kar.TITLE.str());
    }
    rt::commit();
    check("commit");
    report("bulk add in one transaction", seconds(t0), nTracks, "track");

    t0 = Clock::now();
    n = 0;
    kar.set(Karaoke::KTITLE);
    for (kar.next(); rt::errorCode() == 0; kar.next()) ++n;
    report("full scan in KTITLE order", seconds(t0), n, "track");

    t0 = Clock::now();
    for (int p = 0; p < pages; ++p) {
        kar.clearBuffer();
        kar.TITLE = ktitles[rng() % ktitles.size()];
        kar.setAt(Karaoke::KTITLE);
        for (int r = 0; r < 20; ++r) kar.next();
    }
    report("set at a key, then a page of 20 rows", seconds(t0), pages, "page");

    t0 = Clock::now();
    for (int g = 0; g < gets; ++g) {
        kar.clearBuffer();
        kar.UNQDISKID = "MK" + masterId(static_cast<long long>(rng() % nTracks) / 15);
        kar.get(Karaoke::KUNQDISKID);
        check("get");
    }
    report("get by KUNQDISKID", seconds(t0), gets, "get");

    t0 = Clock::now();
    for (int p = 0; p < puts; ++p) {
        kar.clearBuffer();
        kar.UNQDISKID = "MK" + masterId(static_cast<long long>(rng() % nTracks) / 15);
        kar.get(Karaoke::KUNQDISKID);
        check("get");
        rt::logout(2, {&kar});
        kar.TITLE = w.phrase(1, 4);
        kar.put();
        check("put");
        rt::commit();
        check("commit");
    }
    report("put of one track in its own transaction", seconds(t0), puts, "put");
    kar.close();

    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
