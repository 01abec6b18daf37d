// "Manufacture File Maintenance" and its form, from the workspace's utilities menu and the
// SongBook Designer.
#include <algorithm>

#include "shell/workspace/workspace_fixture.h"

namespace {

using workspace_test::WorkspaceTest;

constexpr const char* kList = "Manufacture File Maintenance";

class ManufacturersTest : public WorkspaceTest {
protected:
    void SetUp() override {
        WorkspaceTest::SetUp();
        makeSongBook("Songs", workspace_test::sampleListings(), workspace_test::sampleDiscs());
        openWorkspace("Songs");
    }
    void openList() {
        ASSERT_TRUE(d_.menu({"&Utilities", "Brand/Series File Maintenance"})) << d_.error() << d_.windows();
        ASSERT_EQ(activeTitle(), kList) << d_.windows();
    }
    std::string activeTitle() {
        auto a = d_.active();
        return a ? a->title : std::string();
    }
    std::vector<std::string> codes() {
        return fixture::queryColumn(install_ + "/MAKEID.TPS", "SELECT MAKEID || '=' || MAKEDESC FROM data ORDER BY rowid");
    }
    std::string highlighted() {
        const int r = d_.selectedRow("?LIST");
        const auto rows = d_.rows("?LIST");
        return r >= 1 && r <= static_cast<int>(rows.size()) ? rows[static_cast<std::size_t>(r - 1)].at(0) : "";
    }
};

TEST_F(ManufacturersTest, ListsTheCodesInOrderAndStepsThroughThemByTheirFirstLetter) {
    openList();
    EXPECT_EQ(d_.headers("?LIST"), (std::vector<std::string>{"Mfr. Code", "Manufacture"}));
    std::vector<std::string> shown;
    for (const auto& r : d_.rows("?LIST")) shown.push_back(r.at(0) + "=" + r.at(1));
    EXPECT_EQ(shown, (std::vector<std::string>{"CU=Custom / Own Discs", "CV=Cantovox Records", "MX=Mixtone Media",
                                               "SL=Starlane Audio", "VE=Velvet Echo Studios"}));
    EXPECT_TRUE(d_.hidden("&Select"));
    // "C" steps through the codes beginning with it and then back to the first of them.
    ASSERT_TRUE(d_.select("?LIST", 4)) << d_.error();
    std::vector<std::string> steps;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(d_.key("?LIST", "C")) << d_.error();
        steps.push_back(highlighted());
    }
    EXPECT_EQ(steps, (std::vector<std::string>{"CU", "CV", "CU"}));
    ASSERT_TRUE(d_.press("Close")) << d_.error();
    EXPECT_EQ(activeTitle(), workspaceTitle());
}

TEST_F(ManufacturersTest, AddChangeAndDeleteGoThroughTheForm) {
    openList();
    ASSERT_TRUE(d_.press("&Insert")) << d_.error();
    EXPECT_EQ(d_.text("?ACTIONMESSAGE"), "Mfr. Record will be Added");
    ASSERT_TRUE(d_.type("Mfr. Code:", "AB")) << d_.error();
    ASSERT_TRUE(d_.type("Manufacture:", "Aubade Sound")) << d_.error();
    ASSERT_TRUE(d_.press("OK")) << d_.error();
    ASSERT_EQ(activeTitle(), kList) << d_.windows();
    EXPECT_EQ(highlighted(), "AB");
    EXPECT_EQ(codes().back(), "AB=Aubade Sound");

    ASSERT_TRUE(d_.press("&Change")) << d_.error();
    EXPECT_EQ(d_.text("?ACTIONMESSAGE"), "Mfr. Record will be Changed");
    EXPECT_EQ(d_.value("Manufacture:"), "Aubade Sound");
    ASSERT_TRUE(d_.type("Manufacture:", "Aubade Records")) << d_.error();
    ASSERT_TRUE(d_.press("OK")) << d_.error();
    EXPECT_EQ(codes().back(), "AB=Aubade Records");

    // The delete form shows the record; only OK removes it.
    ASSERT_TRUE(d_.press("&Delete")) << d_.error();
    EXPECT_EQ(d_.text("?ACTIONMESSAGE"), "Mfr. Record will be Deleted");
    EXPECT_EQ(d_.value("Mfr. Code:"), "AB");
    ASSERT_TRUE(d_.press("Cancel")) << d_.error();
    EXPECT_EQ(codes().back(), "AB=Aubade Records");
    ASSERT_TRUE(d_.press("&Delete")) << d_.error();
    ASSERT_TRUE(d_.press("OK")) << d_.error();
    ASSERT_EQ(activeTitle(), kList) << d_.windows();
    EXPECT_EQ(codes().size(), 5u);
    EXPECT_EQ(highlighted(), "CU");
}

TEST_F(ManufacturersTest, ABlankCodeIsRefusedAndCancelAsksBeforeDroppingTheEntry) {
    openList();
    ASSERT_TRUE(d_.press("&Insert")) << d_.error();
    ASSERT_TRUE(d_.type("Manufacture:", "Nameless")) << d_.error();
    ASSERT_TRUE(d_.press("OK")) << d_.error();
    EXPECT_EQ(message(), "The manufacturer code cannot be blank.");
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_EQ(d_.text("?ACTIONMESSAGE"), "Mfr. Record will be Added");
    EXPECT_EQ(codes().size(), 5u);
    // Cancel with an unsaved entry asks "Update Cancelled"; No drops it.
    ASSERT_TRUE(d_.press("Cancel")) << d_.error();
    ASSERT_NE(message(), "");
    ASSERT_TRUE(d_.answer("&No")) << d_.error() << message();
    EXPECT_EQ(activeTitle(), kList) << d_.windows();
    EXPECT_EQ(codes().size(), 5u);
}

TEST_F(ManufacturersTest, TheDesignersAddBrandListsANewCodeOnReturn) {
    ASSERT_TRUE(d_.menu({"&Print", "&Print SongBook"})) << d_.error();
    ASSERT_TRUE(d_.choose("?Sheet", "Advanced")) << d_.error();
    ASSERT_TRUE(d_.check("Remove Duplicate Songs")) << d_.error();
    ASSERT_TRUE(d_.press("Add Brand")) << d_.error();
    ASSERT_EQ(activeTitle(), kList) << d_.windows();
    ASSERT_TRUE(d_.press("&Insert")) << d_.error();
    ASSERT_TRUE(d_.type("Mfr. Code:", "ZZ")) << d_.error();
    ASSERT_TRUE(d_.type("Manufacture:", "Zither Tracks")) << d_.error();
    ASSERT_TRUE(d_.press("OK")) << d_.error();
    ASSERT_TRUE(d_.press("Close")) << d_.error();
    ASSERT_EQ(activeTitle(), "Cantorelle V2 SongBook Maker - SongBook Designer") << d_.windows();
    const auto choices = d_.control("?Pref1")->choices;
    EXPECT_NE(std::find(choices.begin(), choices.end(), "ZZ\tZither Tracks"), choices.end());
}

}  // namespace
