#pragma once
// The add-discs window on the demo installation in a temporary folder, with an empty SongBook
// pair beside it and a small extra brand of three discs ("Trio Test Series", TT0001 to
// TT0003). Data is set up and read back on program runs of their own, before and after the
// window's run.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "data/data_files.h"
#include "data/demo_catalogue.h"
#include "data/tagque.h"
#include "frontend/headless/driver.h"
#include "library/AddManufacturerDiscs.h"
#include "library/TagGlobals.h"
#include "runtime/error/error.h"
#include "runtime/thread/thread.h"
#include "runtime/window/window.h"
#include "support/data_fixture.h"

namespace adddiscs_test {

inline const char* const kTitle = "Cantorelle V2 SongBook Maker PLUS- Add Mfr. Disc(s) to SongBook";
inline const char* const kCustomIdTitle = "Custom/Alternate Disc ID";
inline const char* const kTagMark = "\u00BB";
inline const char* const kTrioBrand = "Trio Test Series";
constexpr int kTrioBrandId = 6;

struct SongBookDisc {
    std::string disc, custom;
};

class AddDiscsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fixture::pointFileNamesAt(dir_.path(), "Book");
        ASSERT_EQ(WriteDemoCatalogue(dir_.path()), 0);
        rt::runProgram([] {
            SBK.create();
            SBD.create();
            BRA.open();
            fixture::addBrandRecord(kTrioBrandId, kTrioBrand);
            BRA.close();
            DIS.open();
            KAR.open();
            for (int d = 1; d <= 3; ++d) {
                const std::string id = "TT000" + std::to_string(d);
                DIS.clearBuffer();
                DIS.MAKEID = kTrioBrandId;
                DIS.DISKID = id;
                DIS.UNQDISKID = id;
                DIS.add();
                for (int t = 1; t <= 3; ++t)
                    fixture::addMasterTrack(id, id, t, kTrioBrandId,
                                            "Trio Song " + std::to_string(d) + "-" + std::to_string(t), "The Trio");
            }
            DIS.close();
            KAR.close();
        });
        fixture::resetTagging();
    }
    void TearDown() override {
        EXPECT_TRUE(d_.end()) << d_.error() << d_.windows();
        TagQue.free();
        TagQue.clearBuffer();
        SkipCustomDiscIdQuery = 0;
    }

    // --- set-up ---
    static void addSongBookDisc(const std::string& disc, const std::string& custom) {
        rt::runProgram([&] {
            SBD.open();
            fixture::addDiscRecord(disc, custom, disc.substr(0, 2), 1);
            ASSERT_EQ(rt::errorCode(), 0) << rt::error();
            SBD.close();
        });
    }
    static void addMasterTrack(const std::string& disc, int brand, unsigned track) {
        rt::runProgram([&] {
            KAR.open();
            fixture::addMasterTrack(disc, disc, track, brand, "Stray Track", "Nobody");
            ASSERT_EQ(rt::errorCode(), 0) << rt::error();
            KAR.close();
        });
    }
    static void tag(const std::string& disc, const std::string& custom) {
        TagQue.clearBuffer();
        TagQue.QUEUNQDISKID = disc;
        TagQue.DISKID = custom;
        TagQue.addInOrder({TagField::QUEUNQDISKID, TagField::DISKID});
    }

    // --- reading back ---
    static std::vector<SongBookDisc> songBookDiscs() {
        std::vector<SongBookDisc> out;
        fixture::forEachDisc([&] { out.push_back({SBD.UNQDISKID.str(), SBD.ALTDISKID.str()}); });
        return out;
    }
    // "disc-track title" of every listing, in disc and track order.
    static std::vector<std::string> listings() {
        std::vector<std::string> out;
        fixture::forEachListing(
            [&] { out.push_back(SBK.UNQDISKID.str() + "-" + std::to_string(SBK.DISKTRACKNO) + " " + SBK.TITLE.str()); });
        return out;
    }
    static std::vector<std::string> masterListings(const std::vector<std::string>& discs) {
        std::vector<std::string> out;
        const DemoCatalogue c = BuildDemoCatalogue();
        for (const auto& d : discs)
            for (const auto& t : c.tracks)
                if (t.discId == d) out.push_back(d + "-" + std::to_string(t.track) + " " + t.title);
        return out;
    }
    // TagQue as "mfr=custom" texts, in its order.
    static std::vector<std::string> tags() {
        std::vector<std::string> out;
        for (std::size_t i = 1; i <= TagQue.records(); ++i)
            out.push_back(TagQue.entry(i).QUEUNQDISKID.str() + "=" + TagQue.entry(i).DISKID.str());
        return out;
    }

    // --- the window ---
    void start() {
        ASSERT_TRUE(d_.start(AddManufacturerDiscs)) << d_.error();
        ASSERT_TRUE(d_.window(kTitle)) << d_.windows();
    }
    std::vector<std::vector<std::string>> rowsOf(const std::string& list) {
        d_.refresh();
        std::vector<std::vector<std::string>> out;
        auto w = d_.window(kTitle);
        if (!w) return out;
        for (const auto& c : w->controls)
            if (c.name == list)
                for (const auto& r : c.rows) {
                    std::vector<std::string> cells;
                    for (const auto& cell : r.cells) cells.push_back(cell.text);
                    out.push_back(cells);
                }
        return out;
    }
    const rt::Control* controlOf(const std::string& name) {
        d_.refresh();
        window_ = d_.window(kTitle);
        if (!window_) return nullptr;
        for (const auto& c : window_->controls)
            if (c.name == name) return &c;
        return nullptr;
    }
    // The texts of a column of a list.
    std::vector<std::string> column(const std::string& list, std::size_t n) {
        std::vector<std::string> out;
        for (const auto& r : rowsOf(list)) out.push_back(n < r.size() ? r[n] : std::string());
        return out;
    }
    std::string highlightedCell(const std::string& list, std::size_t n) {
        const rt::Control* c = controlOf(list);
        if (!c || c->selected < 1 || c->selected > static_cast<int>(c->rows.size())) return {};
        const auto& cells = c->rows[static_cast<std::size_t>(c->selected - 1)].cells;
        return n < cells.size() ? cells[n].text : std::string();
    }
    // Highlights the row whose cell n reads `text`, as a click does.
    void pick(const std::string& list, std::size_t n, const std::string& text) {
        const auto rows = rowsOf(list);
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (n < rows[i].size() && rows[i][n] == text) {
                ASSERT_TRUE(d_.in(kTitle).select(list, static_cast<int>(i + 1))) << d_.error();
                return;
            }
        FAIL() << text << " is not in " << list << "\n" << d_.windows();
    }
    void pickBrand(const std::string& name) { pick("?BrandList", 0, name); }
    void pickDisc(const std::string& disc) { pick("?DiscList", 1, disc); }
    // The disc ids of the disc list, with the tag mark before a tagged one.
    std::vector<std::string> discRows() {
        std::vector<std::string> out;
        for (const auto& r : rowsOf("?DiscList")) out.push_back(r.at(0) + r.at(1));
        return out;
    }
    std::string message() {
        auto r = d_.request();
        return r && r->kind == rt::RequestKind::Message ? r->title + ": " + r->text : std::string();
    }
    // Answers the custom disc id dialog that is showing.
    void answerCustomId(const std::string& id) {
        ASSERT_TRUE(d_.window(kCustomIdTitle)) << d_.windows();
        ASSERT_TRUE(d_.in(kCustomIdTitle).type("Custom/Alternate Disc ID:", id)) << d_.error();
        ASSERT_TRUE(d_.in(kCustomIdTitle).press("OK")) << d_.error();
    }
    void tagDisc(const std::string& disc, const std::string& id) {
        pickDisc(disc);
        ASSERT_TRUE(d_.in(kTitle).press("&Tag")) << d_.error();
        answerCustomId(id);
    }

    fixture::ScopedConfigHome config_;
    fixture::TempFolder dir_;
    headless::Driver d_;
    std::shared_ptr<const rt::WindowState> window_;
};

}  // namespace adddiscs_test
