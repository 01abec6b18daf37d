#include <filesystem>
#include <mutex>

#include "library/AddTaggedDiscTracks.h"
#include "runtime/window/frontend.h"
#include "tagging_fixture.h"

namespace tagging_test {
namespace {

const char* const kTitle = "Adding Selected Disc Tracks to Open SongBook";

// The percentage texts of the progress window in the order they were published.
class PercentRecorder {
public:
    PercentRecorder() {
        rt::setChangeListener([this] {
            // Read and record under one lock: listeners run on several threads, and a late one
            // must not record an older text after a newer one.
            std::lock_guard lk(m_);
            const rt::Published p = rt::published();
            if (p.serial < serial_) return;
            serial_ = p.serial;
            for (const auto& w : p.windows)
                for (const auto& c : w->controls)
                    if (c.name == "?Percent" && !c.text.empty() && (seen_.empty() || seen_.back() != c.text))
                        seen_.push_back(c.text);
        });
    }
    ~PercentRecorder() { rt::setChangeListener(nullptr); }
    std::vector<std::string> seen() {
        std::lock_guard lk(m_);
        return seen_;
    }

private:
    std::mutex m_;
    std::vector<std::string> seen_;
    std::uint64_t serial_ = 0;
};

class AddTaggedDiscsTest : public TaggingTest {
protected:
    // Runs the copy; it then waits for the host (or shows what it could not add).
    void start() { ASSERT_TRUE(d_.start(AddTaggedDiscTracks)) << d_.error(); }
    void done() {
        ASSERT_TRUE(d_.press("&Done")) << d_.error() << d_.windows();
        ASSERT_FALSE(d_.running()) << d_.windows();
    }
    std::string message() {
        auto r = d_.request();
        return r && r->kind == rt::RequestKind::Message ? r->text : std::string();
    }
    std::string count(const char* name) { return d_.text(name); }

    static void expectCopied(const std::string& disc, const std::string& genre = {}) {
        const auto master = masterTracks(disc);
        const auto added = listingsOf(disc);
        ASSERT_EQ(added.size(), master.size()) << disc;
        for (std::size_t i = 0; i < master.size(); ++i) {
            EXPECT_EQ(added[i].track, static_cast<unsigned>(master[i].track));
            EXPECT_EQ(added[i].title, master[i].title);
            EXPECT_EQ(added[i].artist, master[i].artist);
            EXPECT_EQ(added[i].makeId, disc.substr(0, 2));
            EXPECT_EQ(added[i].genre, genre);
            EXPECT_EQ(added[i].added, rt::date(3, 14, 2024));
        }
    }
    static const DiscRecord* discOf(const std::vector<DiscRecord>& all, const std::string& disc) {
        for (const auto& d : all)
            if (rt::equalNoCase(d.disc, disc)) return &d;
        return nullptr;
    }

    headless::Driver d_;
};

TEST_F(AddTaggedDiscsTest, TwoDiscsAreCopiedWithTheProgressInHalves) {
    tag("CV0101", "101");
    tag("CV0102", "102");
    const std::size_t tracks = masterTracks("CV0101").size() + masterTracks("CV0102").size();
    {
        PercentRecorder percents;
        start();
        EXPECT_EQ(percents.seen(), (std::vector<std::string>{"0% Completed", " 50% Completed", "100% Completed"}));
    }
    ASSERT_NE(d_.active(), nullptr) << d_.windows();
    EXPECT_EQ(d_.active()->title, kTitle);
    EXPECT_EQ(d_.value("?Progress"), "100");
    EXPECT_EQ(message(), "");
    EXPECT_EQ(TagQue.records(), 0u);
    EXPECT_FALSE(d_.hidden("&Done"));
    EXPECT_FALSE(d_.hidden("&Details >>"));
    EXPECT_EQ(count("?TracksAdded"), std::to_string(tracks));
    EXPECT_EQ(count("?TracksDuplicate"), "0");
    EXPECT_EQ(count("?DiscsRefused"), "0");

    // The details lie below the area shown at first.
    const int shortHeight = d_.active()->h;
    int detailsTop = 0;
    for (const auto& c : d_.active()->controls)
        if (c.name == "?DetailsGroup") detailsTop = c.y;
    EXPECT_GT(detailsTop, shortHeight);
    ASSERT_TRUE(d_.press("&Details >>")) << d_.error();
    EXPECT_GT(d_.active()->h, detailsTop + 40);
    done();

    expectCopied("CV0101");
    expectCopied("CV0102");
    const auto all = discs();
    ASSERT_EQ(all.size(), 2u);
    for (const auto& [disc, custom] : {std::pair{"CV0101", "101"}, std::pair{"CV0102", "102"}}) {
        const DiscRecord* r = discOf(all, disc);
        ASSERT_NE(r, nullptr) << disc;
        EXPECT_EQ(r->custom, custom);
        EXPECT_EQ(r->makeType, "CV");
        EXPECT_EQ(r->brand, 1);
    }
}

TEST_F(AddTaggedDiscsTest, TracksAlreadyListedCountAsDuplicatesAndStayAsTheyWere) {
    const std::size_t n = masterTracks("CV0103").size();
    struct Case {
        const char* what;
        std::size_t alreadyListed;
        bool discRecord;
    } cases[] = {
        {"every track listed", n, false},
        {"two tracks listed", 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        onThread([] {
            SBK.create();
            SBD.create();
        });
        for (std::size_t t = 1; t <= c.alreadyListed; ++t) addListing("CV0103", static_cast<unsigned>(t), "Kept Title");
        tag("CV0103", "103");
        start();
        EXPECT_EQ(count("?TracksAdded"), std::to_string(n - c.alreadyListed));
        EXPECT_EQ(count("?TracksDuplicate"), std::to_string(c.alreadyListed));
        done();
        const auto listed = listingsOf("CV0103");
        ASSERT_EQ(listed.size(), n);
        for (std::size_t t = 0; t < c.alreadyListed; ++t) EXPECT_EQ(listed[t].title, "Kept Title");
        EXPECT_EQ(discOf(discs(), "CV0103") != nullptr, c.discRecord);
    }
}

TEST_F(AddTaggedDiscsTest, TheTagsGenreGoesToEveryListingOfItsDisc) {
    tag("CV0104", "104", "Rock");
    tag("CV0105", "105");
    start();
    done();
    expectCopied("CV0104", "Rock");
    expectCopied("CV0105", "");
}

TEST_F(AddTaggedDiscsTest, ALowerCaseDiscIdGivesAnUpperCaseManufacturerCode) {
    addMasterTrack("sc8125", 1, "Lower One");
    addMasterTrack("sc8125", 2, "Lower Two");
    tag("sc8125", "8125");
    start();
    done();
    const auto listed = listingsOf("sc8125");
    ASSERT_EQ(listed.size(), 2u);
    for (const auto& l : listed) {
        EXPECT_EQ(l.makeId, "SC");
        EXPECT_EQ(l.disc, "sc8125");
    }
    const auto all = discs();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].makeType, "SC");
    EXPECT_EQ(all[0].brand, 9);
}

TEST_F(AddTaggedDiscsTest, TracksWhoseDiscIdDiffersOnlyInCaseAreAddedWithTheDisc) {
    // The key orders the ids in any case, ties by record number: the cases interleave.
    addMasterTrack("SC9000", 1, "Upper One");
    addMasterTrack("sc9000", 2, "Lower Two");
    addMasterTrack("SC9000", 3, "Upper Three");
    addMasterTrack("Sc9000", 4, "Mixed Four");
    addMasterTrack("SC9001", 1, "Next Disc");
    tag("SC9000", "9000");
    start();
    EXPECT_EQ(count("?TracksAdded"), "4");
    done();
    const auto listed = listingsOf("SC9000");
    ASSERT_EQ(listed.size(), 4u);
    for (unsigned t = 1; t <= 4; ++t) EXPECT_EQ(listed[t - 1].track, t);
    EXPECT_TRUE(listingsOf("SC9001").empty());
    EXPECT_EQ(discs().size(), 1u);
}

TEST_F(AddTaggedDiscsTest, ADiscWhoseCustomIdIsTakenIsSkippedWholeAndNamed) {
    addDisc("ZZ0001", "cb101");
    tag("CV0101", "CB101");  // another disc carries it (letter case aside)
    tag("CV0102", "CB102");
    tag("CV0103", "CB102");  // the disc before it in the list takes it
    start();
    const std::string text = message();
    EXPECT_NE(text.find("Disc CV0101 was not added: its Custom Disc ID CB101 is already used by disc ZZ0001"),
              std::string::npos) << text;
    EXPECT_NE(text.find("Disc CV0103 was not added: its Custom Disc ID CB102 is already used by disc CV0102"),
              std::string::npos) << text;
    EXPECT_EQ(text.find("CV0102 was not added"), std::string::npos) << text;
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_EQ(count("?DiscsRefused"), "2");
    EXPECT_EQ(count("?TracksAdded"), std::to_string(masterTracks("CV0102").size()));
    EXPECT_EQ(d_.text("?Percent"), "100% Completed");
    EXPECT_EQ(TagQue.records(), 0u);
    done();

    EXPECT_TRUE(listingsOf("CV0101").empty());
    EXPECT_TRUE(listingsOf("CV0103").empty());
    expectCopied("CV0102");
    const auto all = discs();
    EXPECT_EQ(all.size(), 2u);
    EXPECT_EQ(discOf(all, "CV0101"), nullptr);
    EXPECT_EQ(discOf(all, "CV0103"), nullptr);
}

TEST_F(AddTaggedDiscsTest, ADiscWithItsRecordAlreadyThereTakesItsMissingTracks) {
    addDisc("CV0104", "77");
    addListing("CV0104", 1, "Kept Title");
    tag("CV0104", "77");
    start();
    EXPECT_EQ(message(), "");
    EXPECT_EQ(count("?TracksDuplicate"), "1");
    done();
    EXPECT_EQ(listingsOf("CV0104").size(), masterTracks("CV0104").size());
    EXPECT_EQ(discs().size(), 1u);
}

TEST_F(AddTaggedDiscsTest, ADiscNoMasterTrackCarriesAddsNothingAndSaysNothing) {
    tag("NO0001", "1");
    tag("CV0101", "2");
    start();
    EXPECT_EQ(message(), "");
    EXPECT_EQ(count("?TracksAdded"), std::to_string(masterTracks("CV0101").size()));
    done();
    EXPECT_TRUE(listingsOf("NO0001").empty());
    EXPECT_EQ(discs().size(), 1u);
}

TEST_F(AddTaggedDiscsTest, AFailedWriteTakesBackTheWholeDiscAndIsReported) {
    struct Case {
        const char* what;
        bool listingFile;
        const char* trigger;
    } cases[] = {
        {"third listing refused", true,
         "CREATE TRIGGER refuse BEFORE INSERT ON data WHEN NEW.\"UNQDISKID\"='CV0102' AND "
         "NEW.\"DISKTRACKNO\"=3 BEGIN SELECT RAISE(ABORT, 'disk full'); END;"},
        {"disc record refused", false,
         "CREATE TRIGGER refuse BEFORE INSERT ON data WHEN NEW.\"UNQDISKID\"='CV0102' "
         "BEGIN SELECT RAISE(ABORT, 'disk full'); END;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        onThread([] {
            SBK.create();
            SBD.create();
        });
        std::string error;
        ASSERT_EQ(fixture::execSql(c.listingFile ? SongBookFileName.str() : SBDiscsFileName.str(), c.trigger, &error),
                  0) << error;
        tag("CV0101", "101");
        tag("CV0102", "102");
        tag("CV0103", "103");
        start();
        EXPECT_NE(message().find("Disc CV0102 was not added"), std::string::npos) << message();
        ASSERT_TRUE(d_.answer("OK")) << d_.error();
        EXPECT_EQ(count("?DiscsRefused"), "1");
        EXPECT_EQ(count("?TracksAdded"),
                  std::to_string(masterTracks("CV0101").size() + masterTracks("CV0103").size()));
        done();
        expectCopied("CV0101");
        expectCopied("CV0103");
        EXPECT_TRUE(listingsOf("CV0102").empty());
        const auto all = discs();
        EXPECT_EQ(all.size(), 2u);
        EXPECT_EQ(discOf(all, "CV0102"), nullptr);
    }
}

TEST_F(AddTaggedDiscsTest, FilesThatWillNotOpenAreReportedAndTheTagsKept) {
    struct Case {
        const char* what;
        std::string file;
    } cases[] = {
        {"listing file missing", SongBookFileName.str()},
        {"master track file missing", KaraokeFileName.str()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::rename(c.file, c.file + ".away");
        TagQue.free();
        tag("CV0101", "101");
        start();
        auto r = d_.request();
        ASSERT_NE(r, nullptr) << d_.windows();
        EXPECT_EQ(r->title, kTitle);
        EXPECT_NE(r->text.find(c.file), std::string::npos) << r->text;
        EXPECT_NE(r->text.find("No disc was added"), std::string::npos) << r->text;
        EXPECT_TRUE(d_.state().windows.empty()) << d_.windows();
        ASSERT_TRUE(d_.answer("OK")) << d_.error();
        EXPECT_FALSE(d_.running());
        EXPECT_EQ(TagQue.records(), 1u);
        std::filesystem::rename(c.file + ".away", c.file);
    }
    EXPECT_TRUE(listings().empty());
}

}  // namespace
}  // namespace tagging_test
