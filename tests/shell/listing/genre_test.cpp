// The genre list "Add/Modify Genre" and the form "Update Genre".
#include "listing_fixture.h"
#include "runtime/files/ini.h"

namespace listing_test {
namespace {

class GenrePickerTest : public ListingTest {
protected:
    std::vector<std::string> rows() {
        std::vector<std::string> out;
        for (const auto& r : d_.rows()) out.push_back(r.at(0));
        return out;
    }
    std::string highlighted() {
        const auto all = rows();
        const int n = d_.selectedRow();
        return n >= 1 && n <= static_cast<int>(all.size()) ? all[static_cast<std::size_t>(n - 1)] : "";
    }
    // Adds a genre through "&Add" and the form.
    void addThroughForm(const std::string& name) {
        ASSERT_TRUE(d_.press("&Add"));
        ASSERT_EQ(activeTitle(), kGenreForm) << d_.windows();
        ASSERT_TRUE(d_.type("Genre:", name));
        ASSERT_TRUE(d_.press("OK"));
        ASSERT_EQ(activeTitle(), kPicker) << d_.windows();
    }
};

TEST_F(GenrePickerTest, ListsTheGenresInOrderWithSelectHidden) {
    startPicker({"Rock", "blues", "Country"}, 0);
    ASSERT_EQ(activeTitle(), kPicker) << d_.windows();
    EXPECT_EQ(d_.headers(), (std::vector<std::string>{"Genre"}));
    EXPECT_EQ(rows(), (std::vector<std::string>{"blues", "Country", "Rock"}));
    EXPECT_EQ(d_.selectedRow(), 1);
    EXPECT_TRUE(d_.hidden("&Select"));
    EXPECT_TRUE(d_.enabled("&Change"));
    EXPECT_TRUE(d_.control("&Change")->isDefault);
    EXPECT_EQ(focus(), id("?List"));
}

TEST_F(GenrePickerTest, AddMakesTheNewGenreHighlightedAndHandsItBack) {
    startPicker({"Blues", "Rock"}, 0);
    ASSERT_TRUE(d_.press("&Add"));
    ASSERT_EQ(activeTitle(), kGenreForm) << d_.windows();
    EXPECT_EQ(d_.text("?Message"), "Record will be Added");
    EXPECT_EQ(d_.value("Genre:"), "");
    EXPECT_EQ(focus(), id("Genre:"));
    ASSERT_TRUE(d_.type("Genre:", "Jazz"));
    ASSERT_TRUE(d_.press("OK"));
    ASSERT_EQ(activeTitle(), kPicker);
    EXPECT_EQ(rows(), (std::vector<std::string>{"Blues", "Jazz", "Rock"}));
    EXPECT_EQ(highlighted(), "Jazz");
    ASSERT_TRUE(d_.press("Close"));
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(pickerLeft_, "Jazz");
    EXPECT_EQ(responses_, (std::vector<int>{2}));
}

TEST_F(GenrePickerTest, AGenreTypedTwiceIsListedTwice) {
    startPicker({}, 0);
    addThroughForm("Rock");
    addThroughForm("ROCK");
    EXPECT_EQ(rows(), (std::vector<std::string>{"Rock", "ROCK"}));
    EXPECT_EQ(highlighted(), "ROCK");
    EXPECT_EQ(genreRecords(), (std::vector<std::string>{"Rock", "ROCK"}));
}

TEST_F(GenrePickerTest, AnEmptyNameIsStoredButNotListed) {
    startPicker({"Blues"}, 0);
    addThroughForm("");
    EXPECT_EQ(rows(), (std::vector<std::string>{"Blues"}));
    EXPECT_EQ(genreRecords(), (std::vector<std::string>{"Blues", ""}));
}

TEST_F(GenrePickerTest, ClosingOverAnEmptyListLeavesTheBufferAsItWas) {
    startPicker({}, 0, "Before");
    EXPECT_TRUE(rows().empty());
    EXPECT_FALSE(d_.enabled("&Change"));
    EXPECT_FALSE(d_.enabled("&Delete"));
    EXPECT_TRUE(d_.enabled("&Add"));
    ASSERT_TRUE(d_.close());
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(pickerLeft_, "Before");
    EXPECT_EQ(responses_, (std::vector<int>{2}));
}

TEST_F(GenrePickerTest, ClosingHandsBackTheHighlightedGenreAsStoredNow) {
    startPicker({"Blues", "Rock"}, 0);
    ASSERT_TRUE(d_.select(2));
    ASSERT_EQ(fixture::execSql(GenreFileName.str(), "UPDATE data SET GENRE = 'Rock & Roll', _chg = _chg + 1 WHERE _rec = 2"), 0);
    ASSERT_TRUE(d_.close());
    EXPECT_EQ(pickerLeft_, "Rock & Roll");
}

// Called to select, the window shows "&Select"; Enter, a double-click and the button select.
TEST_F(GenrePickerTest, SelectsWhenCalledToSelect) {
    for (const char* how : {"&Select", "Enter", "DoubleClick"}) {
        SCOPED_TRACE(how);
        fixture::TempFolder dir;
        fixture::pointFileNamesAt(dir.path());
        responses_.clear();
        startPicker({"Blues", "Country", "Rock"}, 4);
        EXPECT_FALSE(d_.hidden("&Select"));
        ASSERT_TRUE(d_.select(3));
        ASSERT_TRUE(std::string(how) == "&Select" ? d_.press(how) : d_.key("", how));
        EXPECT_FALSE(d_.running()) << d_.windows();
        EXPECT_EQ(responses_, (std::vector<int>{1}));
        EXPECT_EQ(pickerLeft_, "Rock");
        d_.end();
    }
}

TEST_F(GenrePickerTest, ChangeAndDeleteThroughButtonsAndKeys) {
    startPicker({"Blues", "Country", "Rock"}, 0);
    ASSERT_TRUE(d_.select(3));
    ASSERT_TRUE(d_.key("", "CtrlEnter"));
    ASSERT_EQ(activeTitle(), kGenreForm) << d_.windows();
    EXPECT_EQ(d_.text("?Message"), "Record will be Changed");
    EXPECT_EQ(d_.value("Genre:"), "Rock");
    ASSERT_TRUE(d_.type("Genre:", "Americana"));
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_EQ(rows(), (std::vector<std::string>{"Americana", "Blues", "Country"}));
    EXPECT_EQ(highlighted(), "Americana");

    ASSERT_TRUE(d_.select(2));
    ASSERT_TRUE(d_.key("", "Delete"));
    EXPECT_EQ(d_.request() ? d_.request()->title : "", "Confirm Delete") << d_.windows();
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_EQ(rows(), (std::vector<std::string>{"Americana", "Country"}));
    EXPECT_EQ(genreRecords(), (std::vector<std::string>{"Country", "Americana"}));

    ASSERT_TRUE(d_.key("", "Insert"));
    EXPECT_EQ(activeTitle(), kGenreForm);
    ASSERT_TRUE(d_.press("Cancel"));
    EXPECT_EQ(activeTitle(), kPicker);
    EXPECT_EQ(rows(), (std::vector<std::string>{"Americana", "Country"}));
}

TEST_F(GenrePickerTest, PopUpMenuPressesTheButtons) {
    struct Case {
        std::vector<std::string> genres;
        int request;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {{"Blues"}, 0, {"&Add", "&Change", "&Delete", "-", "~&Select"}},
        {{"Blues"}, 4, {"&Add", "&Change", "&Delete", "-", "&Select"}},
        {{}, 0, {"&Add", "~&Change", "~&Delete", "-", "~&Select"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.genres.size());
        fixture::TempFolder dir;
        fixture::pointFileNamesAt(dir.path());
        startPicker(c.genres, c.request);
        ASSERT_TRUE(d_.key("", "RightClick"));
        auto r = d_.request();
        ASSERT_TRUE(r) << d_.windows();
        EXPECT_EQ(r->items, c.items);
        ASSERT_TRUE(d_.popup("&Add"));
        EXPECT_EQ(activeTitle(), kGenreForm);
        EXPECT_EQ(d_.text("?Message"), "Record will be Added");
        d_.end();
    }
}

// One character steps through the genres that begin with it, then comes back to the first.
TEST_F(GenrePickerTest, OneCharacterLocator) {
    startPicker({"Blues", "Bossa Nova", "Country", "Disco"}, 0);
    const std::pair<const char*, const char*> steps[] = {
        {"b", "Bossa Nova"}, {"B", "Blues"}, {"d", "Disco"}, {"c", "Country"}, {" ", "Country"},
    };
    for (const auto& [key, expected] : steps) {
        ASSERT_TRUE(d_.key("", key));
        EXPECT_EQ(highlighted(), expected) << "after " << key;
    }
}

TEST_F(GenrePickerTest, GenreFormKeepsItsPlacementAndHistory) {
    startPicker({}, 0);
    addThroughForm("Zouk");
    EXPECT_EQ(rt::getIni("addgenreitem", "Width", "", "songbook.ini"), "214");
    EXPECT_EQ(rt::getIni("addgenreitem", "Maximize", "", "songbook.ini"), "No");
    ASSERT_TRUE(d_.press("&Add"));
    ASSERT_TRUE(ctrlQuote("Genre:"));
    EXPECT_EQ(d_.value("Genre:"), "Zouk");
    // A recalled value is a change: closing asks.
    ASSERT_TRUE(d_.press("Cancel"));
    EXPECT_EQ(d_.request() ? d_.request()->title : "", "Update Cancelled");
    ASSERT_TRUE(d_.answer("No"));
    EXPECT_EQ(activeTitle(), kPicker);
    EXPECT_EQ(genreRecords(), (std::vector<std::string>{"Zouk"}));
}

}  // namespace
}  // namespace listing_test
