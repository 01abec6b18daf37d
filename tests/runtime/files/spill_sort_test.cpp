#include "runtime/files/spill_sort.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_folder.h"

namespace {

// A record with a key that many share and the place it was added at.
struct Rec {
    std::string key;
    int added = 0;
    bool operator==(const Rec&) const = default;
};

struct RecCodec {
    static std::size_t bytes(const Rec& r) { return sizeof(Rec) + r.key.size(); }
    static void write(const Rec& r, std::string& out) {
        out.append(reinterpret_cast<const char*>(&r.added), sizeof r.added);
        out += r.key;
    }
    static bool read(std::string_view in, Rec& r) {
        if (in.size() < sizeof r.added) return false;
        std::memcpy(&r.added, in.data(), sizeof r.added);
        r.key.assign(in.substr(sizeof r.added));
        return true;
    }
};

using Sort = rt::SpillSort<Rec, RecCodec>;

Sort::Less byKey() {
    return [](const Rec& a, const Rec& b) { return a.key < b.key; };
}

// n records of few distinct keys (accented ones too), in a shuffled order.
std::vector<Rec> records(int n) {
    static const char* keys[] = {"Ã©t\xC3\xA9", "abba", "zed", "", "Caf\xC3\xA9 au lait", "m"};
    std::mt19937 rng(7);
    std::vector<Rec> out;
    for (int i = 0; i < n; ++i) out.push_back({std::string(keys[rng() % 6]) + std::to_string(rng() % 5), i});
    return out;
}

std::vector<Rec> drain(Sort& s) {
    std::vector<Rec> out;
    for (Rec r; s.next(r);) out.push_back(r);
    return out;
}

// Points the temporary folder somewhere for the life of the object.
class ScopedTmpDir {
public:
    explicit ScopedTmpDir(const std::string& dir) {
        if (const char* old = std::getenv("TMPDIR")) old_ = old, had_ = true;
        ::setenv("TMPDIR", dir.c_str(), 1);
    }
    ~ScopedTmpDir() {
        if (had_) ::setenv("TMPDIR", old_.c_str(), 1);
        else ::unsetenv("TMPDIR");
    }

private:
    std::string old_;
    bool had_ = false;
};

}  // namespace

// Whatever the runs, the records come back as one stable sort of them all would give them:
// in key order, equal keys in the order they were added; and once more after a rewind.
TEST(SpillSort, GivesTheOrderOfOneStableSortWhateverTheRuns) {
    struct Case {
        const char* what;
        int records;
        std::size_t runBytes;
        bool spills;
    } cases[] = {
        {"nothing", 0, 1 << 20, false},
        {"one record", 1, 1 << 20, false},
        {"all in memory", 5000, 16 << 20, false},
        {"a record a run", 40, 1, true},
        {"two runs", 300, 12000, true},
        {"many runs", 20000, 4096, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fixture::TempFolder tmp;
        ScopedTmpDir at(tmp.path());
        std::vector<Rec> in = records(c.records);
        Sort sort(byKey(), c.runBytes);
        for (Rec r : in) ASSERT_TRUE(sort.add(std::move(r))) << sort.error();
        ASSERT_TRUE(sort.finish()) << sort.error();
        EXPECT_EQ(sort.runs() > 0, c.spills);
        EXPECT_EQ(sort.size(), c.records);
        std::stable_sort(in.begin(), in.end(), byKey());
        EXPECT_EQ(drain(sort), in);
        ASSERT_TRUE(sort.rewind());
        EXPECT_EQ(drain(sort), in);
        // The runs lie in a file without a name: nothing is left in the folder, even now.
        EXPECT_TRUE(fixture::namesIn(tmp.path()).empty());
        EXPECT_TRUE(sort.error().empty());
    }
}

// A disc that fills up while a run is written: the add says so with the folder and the
// system's reason, and nothing more comes back.
TEST(SpillSort, AFullDiscIsReported) {
    fixture::TempFolder tmp;
    const std::string said = fixture::inChild(
        [&] {
            ScopedTmpDir at(tmp.path());
            Sort sort(byKey(), 4096);
            bool added = true;
            for (Rec r : records(50000))
                if (!(added = sort.add(std::move(r)))) break;
            Rec r;
            return std::string(added ? "added" : "refused") + "|" + (sort.finish() ? "finished" : "not finished") + "|" +
                   (sort.next(r) ? "gave" : "gave nothing") + "|" + sort.error();
        },
        64 * 1024);
    EXPECT_EQ(said.substr(0, said.find('|', said.find('|', said.find('|') + 1) + 1)),
              "refused|not finished|gave nothing") << said;
    EXPECT_NE(said.find(tmp.path()), std::string::npos) << said;
    EXPECT_NE(said.find(std::strerror(EFBIG)), std::string::npos) << said;
}
