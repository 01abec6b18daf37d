#pragma once
// The CSV export and import windows on a SongBook pair in a temporary folder (with the demo
// master database beside it). Listings and discs are written and read back on program runs of
// their own, before and after a window's run.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/data_files.h"
#include "data/demo_catalogue.h"
#include "data/tagque.h"
#include "exchange/ExportListings.h"
#include "exchange/ImportListings.h"
#include "exchange/ImportQueues.h"
#include "frontend/headless/driver.h"
#include "runtime/date/date.h"
#include "runtime/error/error.h"
#include "runtime/thread/thread.h"
#include "runtime/window/window.h"
#include "support/data_fixture.h"

namespace exchange_test {

inline const char* const kExportTitle = "Export Song Listings";
inline const char* const kImportTitle = "Cantorelle V2 SongBook Maker - Import Song Listings";
inline const char* const kTagMark = "\u00BB";

struct Listing {
    std::string title, artist, disc;
    std::uint32_t track = 0;
    std::string genre, duet, omit;
    rt::DayNumber date = 0;
    std::string make;
};

using fixture::readText;
using fixture::writeText;
class ExchangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        fixture::pointFileNamesAt(dir_.path(), "Book");
        emptySongBook();
        fixture::resetTagging();
        ExportFileName.clear();
        ImportFileName.clear();
    }
    void TearDown() override { EXPECT_TRUE(d_.end()) << d_.error() << d_.windows(); }

    std::string file(const std::string& name) const { return dir_.file(name); }

    // --- set-up ---
    // The SongBook pair made anew, empty.
    static void emptySongBook() {
        rt::runProgram([] {
            SBK.create();
            SBD.create();
        });
    }
    static void addDisc(const std::string& disc, const std::string& custom, std::int32_t brand = 1,
                        const std::string& type = {}) {
        rt::runProgram([&] {
            SBD.open();
            fixture::addDiscRecord(disc, custom, type.empty() ? disc.substr(0, 2) : type, brand);
            ASSERT_EQ(rt::errorCode(), 0) << rt::error();
            SBD.close();
        });
    }
    static void addListings(const std::vector<Listing>& ls) {
        rt::runProgram([&] {
            SBK.open();
            ASSERT_TRUE(rt::logout(1, {&SBK})) << rt::error();  // one commit, not one a listing
            for (const Listing& l : ls) {
                SBK.clearBuffer();
                SBK.TITLE = l.title;
                SBK.ARTIST = l.artist;
                SBK.UNQDISKID = l.disc;
                SBK.DISKTRACKNO = l.track;
                SBK.GENRE = l.genre;
                SBK.DUET = l.duet;
                SBK.PRINT = l.omit;
                SBK.DATEADDED = l.date;
                SBK.MAKEID = l.make;
                SBK.add();
                ASSERT_EQ(rt::errorCode(), 0) << rt::error();
            }
            rt::commit();
            SBK.close();
        });
    }

    // --- reading back ---
    // "disc-track|title|artist|genre|duet|make|date" in disc and track order.
    static std::vector<std::string> listings() {
        std::vector<std::string> out;
        fixture::forEachListing([&] {
            out.push_back(SBK.UNQDISKID.str() + "-" + std::to_string(SBK.DISKTRACKNO) + "|" + SBK.TITLE.str() + "|" +
                          SBK.ARTIST.str() + "|" + SBK.GENRE.str() + "|" + SBK.DUET.str() + "|" + SBK.MAKEID.str() +
                          "|" + rt::formatMDY(SBK.DATEADDED));
        });
        return out;
    }
    // "disc=custom/type/brand" in disc order.
    static std::vector<std::string> discs() {
        std::vector<std::string> out;
        fixture::forEachDisc([&] {
            out.push_back(SBD.UNQDISKID.str() + "=" + SBD.ALTDISKID.str() + "/" + SBD.MAKETYPE.str() + "/" +
                          std::to_string(SBD.MAKEID));
        });
        return out;
    }

    // --- the windows ---
    std::string message() {
        auto r = d_.request();
        return r && r->kind == rt::RequestKind::Message ? r->text : std::string();
    }
    void startExport() {
        ASSERT_TRUE(d_.start(ExportListings)) << d_.error();
        ASSERT_TRUE(d_.window(kExportTitle)) << d_.windows();
    }
    // "Export Listings" into a file; returns the closing message (answered).
    std::string exportTo(const std::string& path) {
        if (!d_.in(kExportTitle).press("Export Listings")) return "press failed: " + d_.error();
        if (!d_.dialog(path)) return "dialog failed: " + d_.error();
        d_.wait(20);
        const std::string text = message();
        if (!text.empty()) d_.answer("OK");
        return text;
    }
    // Every listing exported to a file by the window; the window is closed again.
    void exportAll(const std::string& path) {
        startExport();
        EXPECT_EQ(exportTo(path), "Finished Exporting Song Listings") << d_.windows();
        ASSERT_TRUE(d_.in(kExportTitle).press("Cancel"));
        ASSERT_TRUE(d_.end());
    }
    // The import window once its analysis is done (behind its progress window for a large
    // file); `problems` gets the message about rows left out.
    void startImport(const std::string& path, std::string* problems = nullptr) {
        ASSERT_TRUE(d_.start(ImportListings)) << d_.error();
        ASSERT_TRUE(d_.dialog(path)) << d_.error() << d_.windows();
        for (int i = 0; i < 10000 && d_.window("Analyzing Import File"); ++i) d_.wait(1);
        const std::string text = message();
        if (problems) *problems = text;
        if (!text.empty()) {
            ASSERT_TRUE(d_.answer("OK"));
        }
        ASSERT_TRUE(d_.window(kImportTitle)) << d_.windows();
    }
    // "Import Listings" (confirming when conflicts are left) and the adding.
    void finishImport() {
        ASSERT_TRUE(d_.in(kImportTitle).press("Import Listings")) << d_.error();
        if (auto r = d_.request(); r && r->text.find("Conflicting Listing Still Exist!") != std::string::npos) {
            ASSERT_TRUE(d_.answer("Yes"));
        }
        d_.wait(20);
        ASSERT_FALSE(d_.window("Importing Listings")) << d_.windows();
        ASSERT_FALSE(d_.window(kImportTitle)) << d_.windows();
    }
    void importAll(const std::string& path) {
        startImport(path);
        finishImport();
        ASSERT_TRUE(d_.end());
    }
    std::vector<std::vector<std::string>> conflictRows() {
        d_.refresh();
        auto w = d_.window(kImportTitle);
        std::vector<std::vector<std::string>> out;
        if (!w) return out;
        for (const auto& c : w->controls)
            if (c.name == "?ConflictList")
                for (const auto& r : c.rows) {
                    std::vector<std::string> cells;
                    for (const auto& cell : r.cells) cells.push_back(cell.text);
                    out.push_back(cells);
                }
        return out;
    }

    fixture::TempFolder dir_;
    headless::Driver d_;
};

}  // namespace exchange_test
