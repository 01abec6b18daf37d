// Old pairs as hosts have them, opened through the explorer: converted whole, or refused with
// a message and nothing changed (no new SongBook, no work file, the old files byte for byte).
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "convert_fixture.h"
#include "support/child_process.h"

namespace convert_test {
namespace {

constexpr int kListings = 1200;

// Where the conversion runs.
enum class Where {
    Here,
    FullDisc,  // a child process whose files may not grow past a third of the old listing file
    NoRoot,    // a child process of an ordinary user, for whom the permission bits count
};

struct PairCase {
    const char* name;
    // Makes the old pair in the folder (the listings of manyOldListings).
    std::function<void(const std::string& folder)> make;
    Where where = Where::Here;
    bool converts = true;
    std::string said;                 // part of a message the host gets ("" for none)
    std::vector<std::string> after;   // the folder's names afterwards
};

void PrintTo(const PairCase& c, std::ostream* os) { *os << c.name; }

void writePair(const std::string& folder, const std::string& name) {
    std::vector<OldListing> listings;
    std::vector<OldDisc> discs;
    manyOldListings(kListings, listings, discs);
    ASSERT_TRUE(fixture::writeOldSongBook(folder, name, listings, discs));
}

void renameIn(const std::string& folder, const std::string& from, const std::string& to) {
    std::filesystem::rename(folder + "/" + from, folder + "/" + to);
}

// Overwrites two pages in the first fifth of the file, where its listings lie, as a bad
// sector would: the file still opens, and reading stops there.
void damagePages(const std::string& path) {
    const auto size = std::filesystem::file_size(path);
    std::string bytes = bytesOf(path);
    const std::size_t at = (size / 5) / 4096 * 4096;
    for (std::size_t i = at; i < at + 8192 && i < bytes.size(); ++i) bytes[i] = static_cast<char>(0x55);
    fixture::writeText(path, bytes);
}

const std::vector<std::string> kConverted{"Old.2bd", "Old.2bk", "Old.sxd", "Old.sxk"};
const std::vector<std::string> kUnchanged{"Old.sbd", "Old.sbk"};

class OldPairTest : public ConvertTest, public ::testing::WithParamInterface<PairCase> {
protected:
    // The test's folders and files open to every user, for a child that is no root; the
    // SongBook's own files keep their permissions.
    void openToAll() {
        for (const std::string& top : {root_.path(), config_.path()}) {
            std::filesystem::permissions(top, std::filesystem::perms::all);
            for (const auto& e : std::filesystem::recursive_directory_iterator(top)) {
                if (e.is_directory())
                    std::filesystem::permissions(e.path(), std::filesystem::perms::all);
                else if (e.path().parent_path() != books_)
                    std::filesystem::permissions(e.path(), std::filesystem::perms(0666));
            }
        }
    }

    // openAsHost in a child process: what it saw comes back through the pipe.
    Seen openInChild(const std::string& name, Where where) {
        const long long limit = static_cast<long long>(std::filesystem::file_size(file(name + ".sbk")) / 3);
        if (where == Where::NoRoot) openToAll();
        const std::string said = fixture::inChild(
            [&] {
                if (where == Where::NoRoot && !fixture::dropRoot()) return std::string("no ordinary user");
                const Seen s = openAsHost(name);
                std::string text = std::string("seen\x1f") + (s.opened ? "1" : "0") + "\x1f" + s.tracks + "\x1f" + s.problem;
                for (const std::string& m : s.messages) text += "\x1f" + m;
                return text;
            },
            where == Where::FullDisc ? limit : -1);
        std::vector<std::string> parts;
        for (std::size_t at = 0;;) {
            const std::size_t end = said.find('\x1f', at);
            parts.push_back(said.substr(at, end == std::string::npos ? std::string::npos : end - at));
            if (end == std::string::npos) break;
            at = end + 1;
        }
        Seen s;
        if (parts.size() < 4 || parts[0] != "seen") {
            s.problem = "the child said: " + said;
            return s;
        }
        s.opened = parts[1] == "1";
        s.tracks = parts[2];
        s.problem = parts[3];
        for (std::size_t i = 4; i < parts.size(); ++i) s.messages.push_back(parts[i]);
        return s;
    }
};

TEST_P(OldPairTest, ConvertsWholeOrChangesNothing) {
    const PairCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(c.make(books_));
    std::map<std::string, std::string> before;
    for (const std::string& n : namesHere()) before[n] = bytesOf(file(n));
    std::string name;
    for (const auto& [n, bytes] : before)
        if (n.size() > 4 && rt::equalNoCase(n.substr(n.size() - 4), ".sbk")) name = n.substr(0, n.size() - 4);

    const Seen seen = c.where == Where::Here ? openAsHost(name) : openInChild(name, c.where);
    EXPECT_TRUE(seen.problem.empty()) << seen.all();
    EXPECT_EQ(seen.opened, c.converts) << seen.all();
    EXPECT_TRUE(c.said.empty() || seen.said(c.said)) << "no message says \"" << c.said << "\": " << seen.all();
    EXPECT_EQ(namesHere(), c.after);
    if (c.converts) {
        EXPECT_EQ(seen.tracks, "Total Song Tracks: " + std::to_string(kListings));
        EXPECT_EQ(rowsOf(file(name + ".2bk"), "SELECT count(DISTINCT TITLE) FROM data WHERE LOCATION = 'Étagère B'"),
                  std::vector<std::string>{std::to_string(kListings)});
        EXPECT_EQ(rowsOf(file(name + ".2bk"), "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
        // The old pair is kept as it was, under its kept names.
        for (const auto& [n, bytes] : before) {
            std::string kept = n;
            kept[kept.size() - 2] = std::isupper(static_cast<unsigned char>(kept[kept.size() - 2])) ? 'X' : 'x';
            EXPECT_EQ(bytesOf(file(kept)), bytes) << kept;
        }
    } else {
        EXPECT_FALSE(seen.said("SongBook Converted")) << seen.all();
        for (const auto& [n, bytes] : before) EXPECT_EQ(bytesOf(file(n)), bytes) << n << " changed";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, OldPairTest,
    ::testing::Values(
        PairCase{"APlainPair", [](const std::string& f) { writePair(f, "Old"); }, Where::Here, true, "", kConverted},
        PairCase{"ADiscFileMissing",
                 [](const std::string& f) {
                     writePair(f, "Old");
                     std::filesystem::remove(f + "/Old.sbd");
                 },
                 Where::Here, true, "was missing", kConverted},
        PairCase{"UpperCaseExtensions",
                 [](const std::string& f) {
                     writePair(f, "Old");
                     renameIn(f, "Old.sbk", "Old.SBK");
                     renameIn(f, "Old.sbd", "Old.SBD");
                 },
                 Where::Here, true, "", {"Old.2bd", "Old.2bk", "Old.SXD", "Old.SXK"}},
        PairCase{"TheDiscFileInAnotherLetterCase",
                 [](const std::string& f) {
                     writePair(f, "Old");
                     renameIn(f, "Old.sbk", "Old.SBK");
                 },
                 Where::Here, true, "", {"Old.2bd", "Old.2bk", "Old.SXK", "Old.sxd"}},
        PairCase{"AReadOnlyPair",
                 [](const std::string& f) {
                     writePair(f, "Old");
                     for (const char* n : {"/Old.sbk", "/Old.sbd"})
                         std::filesystem::permissions(f + n, std::filesystem::perms(0444));
                 },
                 Where::NoRoot, true, "", kConverted},
        PairCase{"ADamagedListingFile",
                 [](const std::string& f) {
                     writePair(f, "Old");
                     damagePages(f + "/Old.sbk");
                 },
                 Where::Here, false, "is damaged", kUnchanged},
        PairCase{"ACutOffListingFile",
                 [](const std::string& f) {
                     writePair(f, "Old");
                     std::filesystem::resize_file(f + "/Old.sbk", std::filesystem::file_size(f + "/Old.sbk") * 2 / 5);
                 },
                 Where::Here, false, "damaged", kUnchanged},
        PairCase{"NoSongBookFileAtAll",
                 [](const std::string& f) {
                     fixture::writeText(f + "/Old.sbk", "Title,Artist\nRain,Ada\n");
                     fixture::writeText(f + "/Old.sbd", "");
                 },
                 Where::Here, false, "is damaged or is not a SongBook file", kUnchanged},
        PairCase{"AFullDisc", [](const std::string& f) { writePair(f, "Old"); }, Where::FullDisc, false,
                 "cannot be written", kUnchanged}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace convert_test
