// The add-discs window driven as a host uses it: picking brands and discs, tagging one disc,
// a whole brand or through the locator, the tag list, and sending the tags into the SongBook.
#include <algorithm>

#include "runtime/files/ini.h"

#include "add_discs_fixture.h"

namespace adddiscs_test {
namespace {

const std::vector<std::string> kCantovoxDiscs = {"CV0101", "CV0102", "CV0103", "CV0104", "CV0105", "CV0106",
                                                 "CV0107", "CV0108", "CV0109", "CV0110", "CV0111", "CV0112"};

TEST_F(AddDiscsTest, OpensWithAnEmptyTagListAndTheListsLinkedFromLeftToRight) {
    tag("SL3001", "left over");
    start();
    EXPECT_EQ(TagQue.records(), 0u);
    EXPECT_EQ(column("?BrandList", 0),
              (std::vector<std::string>{"Cantovox Classics", "Mixtone Country Gold", "Mixtone Party Hits",
                                        "Starlane Karaoke", kTrioBrand, "Velvet Echo Duets"}));
    EXPECT_EQ(column("?DiscList", 1), kCantovoxDiscs);
    const rt::Control* show = controlOf("?ShowTags");
    ASSERT_NE(show, nullptr);
    EXPECT_EQ(show->text, "Show All");
    EXPECT_EQ(show->tooltip, "Show All");
    EXPECT_FALSE(controlOf("?Change")->hidden);
    EXPECT_TRUE(controlOf("?Insert")->hidden);
    EXPECT_TRUE(controlOf("?Delete")->hidden);

    // The first disc's tracks, then another disc's, then another brand's first disc's.
    auto expectTracksOf = [&](const std::string& disc) {
        std::vector<std::string> shown;
        for (const auto& r : rowsOf("?TrackList")) shown.push_back(disc + "-" + r.at(0) + " " + r.at(1));
        EXPECT_EQ(shown, masterListings({disc})) << disc;
    };
    expectTracksOf("CV0101");
    pickDisc("CV0104");
    expectTracksOf("CV0104");
    pickBrand("Starlane Karaoke");
    EXPECT_EQ(column("?DiscList", 1),
              (std::vector<std::string>{"SL3001", "SL3002", "SL3003", "SL3004", "SL3005", "SL3006", "SL3007", "SL3008"}));
    EXPECT_EQ(highlightedCell("?DiscList", 1), "SL3001");
    expectTracksOf("SL3001");
}

TEST_F(AddDiscsTest, TwoTaggedDiscsLandInTheSongBookWithTheirCustomIds) {
    start();
    tagDisc("CV0101", "101");
    tagDisc("CV0102", "102");
    EXPECT_EQ(tags(), (std::vector<std::string>{"CV0101=101", "CV0102=102"}));
    EXPECT_EQ(rowsOf("?TagList"), (std::vector<std::vector<std::string>>{{"CV0101", "101"}, {"CV0102", "102"}}));
    EXPECT_EQ(discRows()[0], std::string(kTagMark) + "CV0101");
    EXPECT_EQ(discRows()[1], std::string(kTagMark) + "CV0102");
    EXPECT_EQ(discRows()[2], "CV0103");

    ASSERT_TRUE(d_.in(kTitle).press("Add Tagged Disc(s) to SongBook")) << d_.error();
    const char* progress = "Adding Selected Disc Tracks to Open SongBook";
    ASSERT_TRUE(d_.window(progress)) << d_.windows();
    ASSERT_TRUE(d_.in(progress).press("&Done")) << d_.error() << d_.windows();

    // The window stays for more tagging; its marks go at its next refresh.
    ASSERT_TRUE(d_.activate(kTitle)) << d_.error() << d_.windows();
    EXPECT_EQ(TagQue.records(), 0u);
    EXPECT_EQ(column("?DiscList", 0), std::vector<std::string>(12, ""));
    EXPECT_TRUE(rowsOf("?TagList").empty());
    // ... and the discs now in the SongBook are refused.
    pickDisc("CV0102");
    ASSERT_TRUE(d_.in(kTitle).press("&Tag"));
    EXPECT_EQ(message(),
              "Disc Already Added!: This disc has already been added to this SongBook.\n\nCustom Disc ID: 102\n\n"
              "To preserve data integrity duplicate disc entries are not allowed.");
    ASSERT_TRUE(d_.end());

    EXPECT_EQ(listings(), masterListings({"CV0101", "CV0102"}));
    const auto discs = songBookDiscs();
    ASSERT_EQ(discs.size(), 2u);
    EXPECT_EQ(discs[0].disc + "=" + discs[0].custom, "CV0101=101");
    EXPECT_EQ(discs[1].disc + "=" + discs[1].custom, "CV0102=102");
}

TEST_F(AddDiscsTest, ADiscOfTheSongBookIsRefusedWithItsCustomId) {
    addSongBookDisc("CV0103", "77");
    start();
    pickDisc("CV0103");
    d_.clearBeeps();
    ASSERT_TRUE(d_.in(kTitle).press("&Tag"));
    EXPECT_EQ(message(),
              "Disc Already Added!: This disc has already been added to this SongBook.\n\nCustom Disc ID: 77\n\n"
              "To preserve data integrity duplicate disc entries are not allowed.");
    EXPECT_FALSE(d_.beeps().empty());
    EXPECT_EQ(d_.request()->icon, rt::Icon::Hand);
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_FALSE(d_.window(kCustomIdTitle));
    EXPECT_EQ(TagQue.records(), 0u);
    EXPECT_EQ(highlightedCell("?DiscList", 1), "CV0103");
}

TEST_F(AddDiscsTest, TagPressedTwiceRemovesTheTagWithoutAQuestion) {
    start();
    tagDisc("CV0105", "CB5");
    EXPECT_EQ(tags(), (std::vector<std::string>{"CV0105=CB5"}));
    EXPECT_EQ(highlightedCell("?DiscList", 0), kTagMark);
    ASSERT_TRUE(d_.in(kTitle).press("&Tag"));
    EXPECT_EQ(d_.request(), nullptr) << d_.windows();
    EXPECT_FALSE(d_.window(kCustomIdTitle));
    EXPECT_TRUE(tags().empty());
    EXPECT_EQ(highlightedCell("?DiscList", 0), "");
    EXPECT_EQ(highlightedCell("?DiscList", 1), "CV0105");
}

TEST_F(AddDiscsTest, ACancelledCustomIdLeavesTheDiscUntagged) {
    start();
    pickDisc("CV0106");
    ASSERT_TRUE(d_.in(kTitle).press("&Tag"));
    ASSERT_TRUE(d_.in(kCustomIdTitle).press("Cancel"));
    EXPECT_TRUE(tags().empty());
    EXPECT_EQ(highlightedCell("?DiscList", 0), "");
}

TEST_F(AddDiscsTest, DoubleClickTogglesTheTag) {
    SkipCustomDiscIdQuery = 1;
    start();
    pickDisc("CV0102");
    ASSERT_TRUE(d_.in(kTitle).key("?DiscList", "DoubleClick")) << d_.error();
    EXPECT_EQ(tags(), (std::vector<std::string>{"CV0102=CV0102"}));
    ASSERT_TRUE(d_.in(kTitle).key("?DiscList", "DoubleClick"));
    EXPECT_TRUE(tags().empty());
}

TEST_F(AddDiscsTest, TheSkipSwitchTagsWithTheManufacturerIdAtOnceAndTheMenuTogglesIt) {
    start();
    ASSERT_TRUE(d_.in(kTitle).menu({"Options", "Disable Custom Disc ID Query"})) << d_.error();
    EXPECT_EQ(SkipCustomDiscIdQuery, 1);
    pickDisc("CV0107");
    ASSERT_TRUE(d_.in(kTitle).press("&Tag"));
    EXPECT_FALSE(d_.window(kCustomIdTitle));
    EXPECT_EQ(tags(), (std::vector<std::string>{"CV0107=CV0107"}));

    // Tag all then tags every other disc of the brand the same way, without a dialog.
    ASSERT_TRUE(d_.in(kTitle).press("tag &All"));
    EXPECT_FALSE(d_.window("MultiTag Options"));
    std::vector<std::string> expected;
    for (const auto& d : kCantovoxDiscs) expected.push_back(d + "=" + d);
    EXPECT_EQ(tags(), expected);

    ASSERT_TRUE(d_.in(kTitle).menu({"Options", "Disable Custom Disc ID Query"}));
    EXPECT_EQ(SkipCustomDiscIdQuery, 0);
}

TEST_F(AddDiscsTest, TheSkipSwitchRefusesAManufacturerIdThatAnotherDiscCarriesAsCustomId) {
    addSongBookDisc("MX2201", "CV0108");
    SkipCustomDiscIdQuery = 1;
    start();
    pickDisc("CV0108");
    ASSERT_TRUE(d_.in(kTitle).press("&Tag"));
    EXPECT_EQ(d_.request() ? d_.request()->title : "", "Custom Disc ID Already Used!");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_TRUE(tags().empty());
}

// Tag all with AutoNumber (start 101, prefix CB, suffix X) over the three discs of the trio.
TEST_F(AddDiscsTest, TagAllWithAutoNumber) {
    struct Case {
        const char* what;
        std::vector<SongBookDisc> songBook;
        std::vector<std::pair<std::string, std::string>> otherTags;
        std::vector<std::string> refused;  // "Disc Already Added!" for these, in order
        std::vector<std::string> expected;
    } cases[] = {
        {"the second disc is in the SongBook: its number stays used",
         {{"TT0002", "55"}}, {}, {"55"}, {"TT0001=CB101X", "TT0003=CB103X"}},
        {"ids in use are passed over",
         {{"SL3001", "CB102X"}}, {{"MX2201", "CB103X"}}, {},
         {"MX2201=CB103X", "TT0001=CB101X", "TT0002=CB104X", "TT0003=CB105X"}},
        {"the SongBook's key ignores case, so does the check",
         {{"SL3001", "cb101x"}}, {}, {}, {"TT0001=CB102X", "TT0002=CB103X", "TT0003=CB104X"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rt::runProgram([] { SBD.create(); });
        for (const auto& d : c.songBook) addSongBookDisc(d.disc, d.custom);
        start();
        for (const auto& [disc, id] : c.otherTags) tag(disc, id);
        pickBrand(kTrioBrand);
        ASSERT_TRUE(d_.in(kTitle).press("tag &All"));
        ASSERT_TRUE(d_.window("MultiTag Options")) << d_.windows();
        auto dialog = d_.in("MultiTag Options");
        ASSERT_TRUE(dialog.choose("?BATCHADDTYPE", "AutoNumber All Discs")) << d_.error();
        ASSERT_TRUE(dialog.type("?BATCHSTARTINGNUMBER", "101")) << d_.error();
        ASSERT_TRUE(dialog.type("?BATCHPRE", "CB"));
        ASSERT_TRUE(dialog.type("?BATCHSUF", "X"));
        ASSERT_TRUE(dialog.press(" OK"));
        for (const auto& custom : c.refused) {
            auto r = d_.request();
            ASSERT_NE(r, nullptr) << d_.windows();
            EXPECT_EQ(r->title, "Disc Already Added!");
            EXPECT_NE(r->text.find("Custom Disc ID: " + custom), std::string::npos) << r->text;
            ASSERT_TRUE(d_.answer("OK"));
        }
        EXPECT_EQ(d_.request(), nullptr) << d_.windows();
        EXPECT_EQ(tags(), c.expected);
        EXPECT_FALSE(controlOf("?DiscList") == nullptr);
        EXPECT_FALSE(window_->waitCursor);
        ASSERT_TRUE(d_.end());
        TagQue.free();
    }
}

TEST_F(AddDiscsTest, TagAllSkipsTaggedDiscsWithoutUsingTheirNumbers) {
    start();
    pickBrand(kTrioBrand);
    auto tagAll = [&](const std::string& startNumber) {
        ASSERT_TRUE(d_.in(kTitle).press("tag &All"));
        auto dialog = d_.in("MultiTag Options");
        ASSERT_TRUE(dialog.choose("?BATCHADDTYPE", "AutoNumber All Discs")) << d_.error();
        ASSERT_TRUE(dialog.type("?BATCHSTARTINGNUMBER", startNumber));
        ASSERT_TRUE(dialog.press(" OK"));
    };
    tagAll("101");
    const std::vector<std::string> all = {"TT0001=101", "TT0002=102", "TT0003=103"};
    EXPECT_EQ(tags(), all);
    tagAll("200");
    EXPECT_EQ(tags(), all);

    pickDisc("TT0002");
    ASSERT_TRUE(d_.in(kTitle).press("&Tag"));  // untags
    tagAll("300");
    EXPECT_EQ(tags(), (std::vector<std::string>{"TT0001=101", "TT0002=300", "TT0003=103"}));
}

TEST_F(AddDiscsTest, TagAllOneAtATimeAsksEachDisc) {
    start();
    pickBrand(kTrioBrand);
    ASSERT_TRUE(d_.in(kTitle).press("tag &All"));
    auto dialog = d_.in("MultiTag Options");
    ASSERT_TRUE(dialog.choose("?BATCHADDTYPE", "Number Each Disc One-at-a-Time"));
    ASSERT_TRUE(dialog.press(" OK"));
    answerCustomId("A1");
    ASSERT_TRUE(d_.in(kCustomIdTitle).press("Cancel"));
    answerCustomId("A3");
    EXPECT_EQ(tags(), (std::vector<std::string>{"TT0001=A1", "TT0003=A3"}));
    EXPECT_EQ(discRows(), (std::vector<std::string>{std::string(kTagMark) + "TT0001", "TT0002",
                                                    std::string(kTagMark) + "TT0003"}));
}

TEST_F(AddDiscsTest, UntagAllAndRemoveSelected) {
    SkipCustomDiscIdQuery = 1;
    start();
    pickDisc("CV0103");
    ASSERT_TRUE(d_.in(kTitle).press("&Tag"));
    pickBrand(kTrioBrand);
    ASSERT_TRUE(d_.in(kTitle).press("tag &All"));
    EXPECT_EQ(tags(), (std::vector<std::string>{"CV0103=CV0103", "TT0001=TT0001", "TT0002=TT0002", "TT0003=TT0003"}));

    // Remove Selected takes the highlighted row of the tag list; the disc's mark goes.
    ASSERT_TRUE(d_.in(kTitle).select("?TagList", 3));
    ASSERT_TRUE(d_.in(kTitle).press("Remove Selected"));
    EXPECT_EQ(tags(), (std::vector<std::string>{"CV0103=CV0103", "TT0001=TT0001", "TT0003=TT0003"}));
    EXPECT_EQ(discRows(), (std::vector<std::string>{std::string(kTagMark) + "TT0001", "TT0002",
                                                    std::string(kTagMark) + "TT0003"}));

    // Untag all works on the selected brand only.
    ASSERT_TRUE(d_.in(kTitle).press("&Untag all"));
    EXPECT_EQ(tags(), (std::vector<std::string>{"CV0103=CV0103"}));
    EXPECT_EQ(discRows(), (std::vector<std::string>{"TT0001", "TT0002", "TT0003"}));
}

TEST_F(AddDiscsTest, TheShowModeFiltersTheDiscList) {
    SkipCustomDiscIdQuery = 1;
    start();
    for (const char* d : {"CV0102", "CV0104"}) {
        pickDisc(d);
        ASSERT_TRUE(d_.in(kTitle).press("&Tag"));
    }
    std::vector<std::string> untagged;
    for (const auto& d : kCantovoxDiscs)
        if (d != "CV0102" && d != "CV0104") untagged.push_back(d);
    struct Step {
        const char* text;
        std::vector<std::string> discs;
    } steps[] = {
        {"Showing Tagged", {"CV0102", "CV0104"}},
        {"Showing UnTagged", untagged},
        {"Show All", kCantovoxDiscs},
    };
    for (const Step& s : steps) {
        ASSERT_TRUE(d_.in(kTitle).press("?ShowTags"));
        EXPECT_EQ(controlOf("?ShowTags")->text, s.text);
        EXPECT_EQ(controlOf("?ShowTags")->tooltip, s.text);
        EXPECT_EQ(column("?DiscList", 1), s.discs) << s.text;
    }
}

TEST_F(AddDiscsTest, TheRapidLocator) {
    addMasterTrack("CV0105X", 1, 1);
    struct Case {
        const char* typed;
        const char* brand;  // "" = no match
        const char* disc;
    } cases[] = {
        {"MX2205", "Mixtone Party Hits", "MX2205"},
        {"cv0105x", "Cantovox Classics", "CV0106"},  // a track of no listed disc: the next disc
        {"QQ1234", "", ""},
    };
    start();
    // The button, or Enter in the entry.
    for (const bool byEnter : {false, true})
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + (byEnter ? " Enter" : " Locate"));
        pickBrand("Starlane Karaoke");
        pickDisc("SL3004");
        ASSERT_TRUE(d_.in(kTitle).type("Mfr. Disc ID:", c.typed));
        if (byEnter) ASSERT_TRUE(d_.in(kTitle).key("Mfr. Disc ID:", "Enter")) << d_.error();
        else ASSERT_TRUE(d_.in(kTitle).press(" Locate"));
        if (*c.brand) {
            EXPECT_EQ(d_.request(), nullptr);
            EXPECT_EQ(highlightedCell("?BrandList", 0), c.brand);
            EXPECT_EQ(highlightedCell("?DiscList", 1), c.disc);
            EXPECT_EQ(rowsOf("?TrackList").size(), masterListings({c.disc}).size());
        } else {
            EXPECT_EQ(message(), ": No Match on Provided Manufactures Disc ID");
            ASSERT_TRUE(d_.answer("OK"));
            EXPECT_EQ(highlightedCell("?DiscList", 1), "SL3004");
        }
        EXPECT_EQ(controlOf("?DISKIDTEMP")->value, "");
    }
    // A blank entry does nothing.
    ASSERT_TRUE(d_.in(kTitle).press(" Locate"));
    EXPECT_EQ(d_.request(), nullptr);
}

TEST_F(AddDiscsTest, AddingWithoutTagsIsRefused) {
    start();
    ASSERT_TRUE(d_.in(kTitle).press("Add Tagged Disc(s) to SongBook"));
    auto r = d_.request();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->title, "ERROR: No Discs Tagged");
    EXPECT_EQ(r->text, "No Disc(s) Tagged for Processing");
    EXPECT_EQ(r->icon, rt::Icon::Exclamation);
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_TRUE(d_.window(kTitle));
    EXPECT_EQ(d_.titles().size(), 1u) << d_.windows();
}

TEST_F(AddDiscsTest, DoneCancelAsksOnlyWhileTagsAreLeft) {
    SkipCustomDiscIdQuery = 1;
    start();
    ASSERT_TRUE(d_.in(kTitle).press("&Tag"));
    ASSERT_TRUE(d_.in(kTitle).press("&Done/Cancel"));
    auto r = d_.request();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->text, "There are still disc(s) tagged and awaiting processing, Are you sure you wish to Cancel?");
    EXPECT_EQ(r->icon, rt::Icon::Question);
    EXPECT_EQ(r->defaultValue, rt::BtnNo);
    ASSERT_TRUE(d_.answer("No"));
    EXPECT_TRUE(d_.window(kTitle));
    EXPECT_EQ(tags(), (std::vector<std::string>{"CV0101=CV0101"}));

    ASSERT_TRUE(d_.in(kTitle).press("&Done/Cancel"));
    ASSERT_TRUE(d_.answer("Yes"));
    EXPECT_FALSE(d_.running());
    EXPECT_TRUE(tags().empty());

    // With no tags the window closes at once.
    start();
    ASSERT_TRUE(d_.in(kTitle).press("&Done/Cancel"));
    EXPECT_FALSE(d_.running()) << d_.windows();
}

TEST_F(AddDiscsTest, TheTrackListEditsThroughTheMasterTrackForm) {
    start();
    ASSERT_TRUE(d_.in(kTitle).key("?TrackList", "RightClick", 2));
    auto r = d_.request();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->items, (std::vector<std::string>{"&Insert", "&Edit Song Track", "&Delete"}));
    ASSERT_TRUE(d_.popup("&Edit Song Track"));
    const char* form = "Edit Main Tunelode Track";
    ASSERT_TRUE(d_.window(form)) << d_.windows();
    ASSERT_TRUE(d_.in(form).press("Cancel"));
    EXPECT_FALSE(d_.window(form));

    // Insert and Delete reach the form, which refuses them.
    ASSERT_TRUE(d_.in(kTitle).key("?TrackList", "Insert"));
    ASSERT_NE(d_.request(), nullptr) << d_.windows();
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_FALSE(d_.window(form));
    EXPECT_EQ(rowsOf("?TrackList").size(), masterListings({"CV0101"}).size());
}

TEST_F(AddDiscsTest, WhatsThisShowsTheLocatorPictureWhereItWasLeft) {
    rt::putIni("disclocatorhelp", "XPosit", "40", "songbook.ini");
    rt::putIni("disclocatorhelp", "YPosit", "30", "songbook.ini");
    rt::putIni("disclocatorhelp", "Width", "300", "songbook.ini");
    rt::putIni("disclocatorhelp", "Height", "200", "songbook.ini");
    start();
    ASSERT_TRUE(d_.in(kTitle).press("What's This?"));
    auto help = d_.active();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->title, "");
    EXPECT_EQ(std::vector<int>({help->x, help->y, help->w, help->h}), std::vector<int>({40, 30, 300, 200}));
    ASSERT_TRUE(d_.control("?Image1").has_value());
    EXPECT_EQ(d_.control("?Image1")->text, "rapidlocator.bmp");
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_EQ(d_.active()->title, kTitle);
    EXPECT_EQ(rt::getIni("disclocatorhelp", "Width", "", "songbook.ini"), "300");
    EXPECT_EQ(rt::getIni("disclocatorhelp", "Maximize", "", "songbook.ini"), "No");
}

// A stand-in for the workspace: a window of thread 1 that calls the add-discs window and
// stays open after it returned.
void WorkspaceStandIn() {
    rt::Window w("Workspace Stand-In", rt::WindowKind::Dialog, -1, -1, 120, 40);
    const int add = w.button("?Add", "&Add Disc(s)", 4, 4, 60, 14);
    w.open();
    while (w.accept())
        if (w.code() == rt::EvAccepted && w.field() == add) AddManufacturerDiscs();
}

class AddDiscsFromWorkspaceTest : public AddDiscsTest {
protected:
    void startFromWorkspace() {
        ASSERT_TRUE(d_.start(WorkspaceStandIn)) << d_.error();
        ASSERT_TRUE(d_.press("&Add Disc(s)")) << d_.error();
        ASSERT_TRUE(d_.window(kTitle)) << d_.windows();
    }
    int windowsTitled(const std::string& part) {
        d_.refresh();
        int n = 0;
        for (const auto& t : d_.titles()) n += t.find(part) != std::string::npos;
        return n;
    }
};

TEST_F(AddDiscsFromWorkspaceTest, FastFindWindowsCloseWithTheWindowThatStartedThem) {
    startFromWorkspace();
    ASSERT_TRUE(d_.in(kTitle).press("FastFind"));
    ASSERT_TRUE(d_.in(kTitle).press("FastFind"));
    EXPECT_EQ(windowsTitled("FastFind"), 2) << d_.windows();
    ASSERT_TRUE(d_.in(kTitle).press("&Done/Cancel"));
    EXPECT_EQ(windowsTitled("FastFind"), 0) << d_.windows();
    EXPECT_FALSE(d_.window(kTitle));
    EXPECT_TRUE(d_.window("Workspace Stand-In"));
}

// The add-discs window and a FastFind window each ask a custom disc id at the same time; each
// tag gets its own disc's answer.
TEST_F(AddDiscsFromWorkspaceTest, TwoCustomIdDialogsAtOnceKeepTheirOwnAnswers) {
    const auto catalogue = BuildDemoCatalogue();
    std::string firstTitle;
    for (const auto& t : catalogue.tracks)
        if (t.discId == "MX2201" && t.track == 1) firstTitle = t.title;
    startFromWorkspace();
    ASSERT_TRUE(d_.in(kTitle).press("FastFind"));
    const char* fastFind = "Cantorelle V2 SongBook Maker - FastFind";
    ASSERT_TRUE(d_.window(fastFind));

    // The add-discs window's dialog opens first, for CV0103, and gets its answer typed.
    pickDisc("CV0103");
    ASSERT_TRUE(d_.in(kTitle).press("&Tag"));
    ASSERT_TRUE(d_.in(kCustomIdTitle).type("Custom/Alternate Disc ID:", "AD1"));

    // FastFind's dialog, for MX2201, opens over it and is answered first.
    ASSERT_TRUE(d_.in(fastFind).type("?STI:TITLE", firstTitle)) << d_.error();
    ASSERT_TRUE(d_.in(fastFind).press("Search for Matching Disc(s)")) << d_.error();
    d_.refresh();
    auto ff = d_.window(fastFind);
    ASSERT_TRUE(ff);
    int row = 0;
    for (const auto& c : ff->controls)
        if (c.name == "?DiscList")
            for (std::size_t i = 0; i < c.rows.size(); ++i)
                if (c.rows[i].cells.at(0).text == "MX2201") row = static_cast<int>(i + 1);
    ASSERT_GT(row, 0) << d_.windows();
    ASSERT_TRUE(d_.in(fastFind).select("?DiscList", row));
    ASSERT_TRUE(d_.in(fastFind).press("Tag Disc and Return"));
    EXPECT_EQ(windowsTitled(kCustomIdTitle), 2) << d_.windows();
    answerCustomId("FF1");  // the newest one: FastFind's
    EXPECT_FALSE(d_.window(fastFind));
    EXPECT_EQ(tags(), (std::vector<std::string>{"MX2201=FF1"}));

    ASSERT_TRUE(d_.in(kCustomIdTitle).press("OK"));
    EXPECT_EQ(tags(), (std::vector<std::string>{"CV0103=AD1", "MX2201=FF1"}));
    ASSERT_TRUE(d_.activate(kTitle));
    EXPECT_EQ(rowsOf("?TagList"), (std::vector<std::vector<std::string>>{{"CV0103", "AD1"}, {"MX2201", "FF1"}}));
}

}  // namespace
}  // namespace adddiscs_test
