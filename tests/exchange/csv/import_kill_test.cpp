// The import killed at any moment of its adding, as a power cut or a kill stops it: the
// SongBook opens afterwards with everything of the file or nothing of it, never a part, and the
// next import clears the work folder the killed one left.
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>

#include "exchange_fixture.h"
#include "support/killed_writer.h"
#include "support/temp_folder.h"

namespace exchange_test {
namespace {

class ImportKillTest : public ExchangeTest {
protected:
    void SetUp() override {
        ExchangeTest::SetUp();
        std::filesystem::create_directory(file("tmp"));
        if (const char* t = std::getenv("TMPDIR")) oldTmp_ = t;
        ::setenv("TMPDIR", file("tmp").c_str(), 1);
    }
    void TearDown() override {
        if (oldTmp_) ::setenv("TMPDIR", oldTmp_->c_str(), 1);
        else ::unsetenv("TMPDIR");
        ExchangeTest::TearDown();
    }
    std::optional<std::string> oldTmp_;
};

TEST_F(ImportKillTest, AKilledImportLeavesAllOrNothing) {
    constexpr int kRows = 6000;
    std::string text;
    for (int i = 0; i < kRows; ++i)
        text += "\"Chanson d'\xC3\xA9t\xC3\xA9 " + std::to_string(i) + "\",\"Zo\xC3\xAB\",\"" + std::to_string(500 + i / 12) +
                "\"," + std::to_string(i % 12 + 1) + ",\"SC" + std::to_string(20000 + i / 12) +
                "\",\"Pop\",\"\",\"SC\",2,\"\",\" 1/05/04\"\r\n";
    writeText(file("in.csv"), text);
    addDisc("SC100", "1", 5);
    addListings({{"Old One", "Artist", "SC100", 1, "", "", "", rt::date(3, 1, 2020), "SC"}});

    int all = 0, none = 0;
    // From the first step of the adding to past its commit; the last kill lands early again.
    std::vector<int> delays;
    for (int ms = 0; ms <= 580; ms += 20) delays.push_back(ms);
    delays.push_back(0);
    for (const int delayMs : delays) {
        SCOPED_TRACE(delayMs);
        ASSERT_NO_FATAL_FAILURE(fixture::killWriterAfter(delayMs, [&](const std::function<void()>& ready) {
            headless::Driver d;
            if (!d.start(ImportListings) || !d.dialog(file("in.csv"))) _exit(3);
            while (d.window("Analyzing Import File")) d.wait(1);
            if (!d.in(kImportTitle).press("Import Listings")) _exit(3);
            ready();
            for (;;) {
                d.wait(1);
                ::usleep(1000);
            }
        }));
        // Opened as the program opens it: the listing file and the disc file agree.
        const std::vector<std::string> ls = listings(), ds = discs();
        ASSERT_EQ(fixture::queryColumn(SongBookFileName.str(), "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
        ASSERT_EQ(fixture::queryColumn(SBDiscsFileName.str(), "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
        // A killed import leaves its work folder; the next one clears it.
        EXPECT_LE(fixture::namesIn(file("tmp")).size(), 1u);
        if (ls.size() == 1) {
            ++none;
            EXPECT_EQ(ds, std::vector<std::string>{"SC100=1/SC/5"});
            EXPECT_EQ(fixture::namesIn(file("tmp")).size(), 1u);
        } else {
            ++all;
            ASSERT_EQ(ls.size(), static_cast<std::size_t>(kRows + 1));
            EXPECT_EQ(ds.size(), static_cast<std::size_t>(kRows / 12 + 1));
            // Back to the SongBook before the import, for the next kill.
            emptySongBook();
            addDisc("SC100", "1", 5);
            addListings({{"Old One", "Artist", "SC100", 1, "", "", "", rt::date(3, 1, 2020), "SC"}});
        }
    }
    // Kills fell before the end and after it.
    EXPECT_GT(none, 0);
    EXPECT_GT(all, 0);
    // The last killed import left its work folder; the next import clears it.
    EXPECT_EQ(fixture::namesIn(file("tmp")).size(), 1u);
    writeText(file("one.csv"), "\"New\",\"A\",\"9\",1,\"SC900\",\"\",\"\",\"SC\",1,\"\",\"\"\r\n");
    importAll(file("one.csv"));
    EXPECT_EQ(fixture::namesIn(file("tmp")), std::vector<std::string>{});
}

}  // namespace
}  // namespace exchange_test
