#pragma once
// The SongBook workspace run headless: a demo installation and a SongBook folder in a
// temporary folder, a private configuration folder whose default SongBook folder is that one,
// and SongBooks written straight into record files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/demo_catalogue.h"
#include "data/dmake.h"
#include "data/globals.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "frontend/headless/driver.h"
#include "printing/PrintSettings.h"
#include "runtime/date/date.h"
#include "runtime/error/error.h"
#include "runtime/files/folder.h"
#include "runtime/thread/thread.h"
#include "runtime/window/window.h"
#include "services/RegistryValue.h"
#include "shell/BrowseSongBook.h"
#include "shell/OpenSongBook.h"
#include "support/data_fixture.h"

namespace workspace_test {

struct Listing {
    std::string title, artist, disc;
    unsigned track = 0;
    std::string omit = {}, duet = {};
};

struct Disc {
    std::string disc, alt;
    int brand = 1;
};

// A small SongBook: three discs (one without listings), titles beginning with "The" in
// several cases, a listing whose disc record is missing.
inline std::vector<Listing> sampleListings() {
    return {
        {"The Night the Tramlines Sang", "Ada Quill", "CV0105", 1},
        {"Lanterns Over Calder Bay", "Ferris Lane", "CV0105", 2},
        {"the long road", "Zoë Marchetti", "CV0105", 3},
        {"Theory of Rain", "Ada Quill", "MX2201", 1},
        {"Atlas", "Éloïse Brun", "MX2201", 2},
        {"THE LAST WALTZ", "Ferris Lane", "MX2201", 3},
        {"Other Side", "Bo Lindqvist", "ORPHAN1", 4},
    };
}

inline std::vector<Disc> sampleDiscs() {
    return {{"CV0105", "101"}, {"MX2201", "102"}, {"SL3001", "103"}};
}

class WorkspaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        install_ = root_.file("install");
        books_ = root_.file("books");
        std::filesystem::create_directories(install_);
        std::filesystem::create_directories(books_);
        int rc = -1;
        rt::runProgram([&] { rc = WriteDemoCatalogue(install_); });
        ASSERT_EQ(rc, 0);
        fixture::pointFileNamesAt(install_);
        SongBookFileName.clear();
        SBDiscsFileName.clear();
        SongBookIsOpen = 0;
        FrameThread = 0;
        FrameResized = 0;
        PrintSetup = PrintSettings{};  // the designer's settings as the program starts with them
        oldFolder_ = rt::currentFolder();
        rt::setToday(rt::date(3, 14, 2024));
        WriteRegistryValue("General", "SongBookPath", RegistryProgramPath, books_);
    }

    void TearDown() override {
        d_.end();
        rt::setCurrentFolder(oldFolder_);
        rt::setToday(0);
        EXPECT_EQ(OpenWorkspaceCount(), 0) << "a workspace did not let go of the SongBook";
    }

    std::string listingFile(const std::string& name, const std::string& ext = "2bk") const {
        return books_ + "/" + name + "." + ext;
    }

    // Writes the pair name.2bk / name.2bd into the SongBook folder.
    void makeSongBook(const std::string& name, const std::vector<Listing>& listings,
                      const std::vector<Disc>& discs) {
        const std::string listing = listingFile(name), disc = listingFile(name, "2bd");
        int failed = 0;
        rt::runProgram([&] {
            SongBookFileName = listing;
            SBDiscsFileName = disc;
            SBK.create();
            SBK.open();
            SBD.create();
            SBD.open();
            for (const Disc& d : discs) {
                fixture::addDiscRecord(d.disc, d.alt, d.disc.substr(0, 2), d.brand);
                failed += rt::errorCode() != rt::NoError;
            }
            for (const Listing& l : listings) {
                SBK.clearBuffer();
                SBK.TITLE = l.title;
                SBK.ARTIST = l.artist;
                SBK.UNQDISKID = l.disc;
                SBK.DISKTRACKNO = l.track;
                SBK.PRINT = l.omit;
                SBK.DUET = l.duet;
                SBK.MAKEID = rt::upper(l.disc.substr(0, 2));
                SBK.DATEADDED = rt::date(5, 1, 2004);
                SBK.add();
                failed += rt::errorCode() != rt::NoError;
            }
            SBK.close();
            SBD.close();
            SongBookFileName.clear();
            SBDiscsFileName.clear();
        });
        ASSERT_EQ(failed, 0);
    }

    // The listings (disc id, track, omit, duet) and disc records (disc id, custom id, brand)
    // of a pair, read with a connection of the test's own.
    std::vector<std::string> listingsOf(const std::string& name) {
        return fixture::queryColumn(listingFile(name), "SELECT UNQDISKID || '-' || DISKTRACKNO || ':' || PRINT || DUET "
                                                       "FROM data ORDER BY UNQDISKID, DISKTRACKNO");
    }
    std::vector<std::string> discsOf(const std::string& name) {
        return fixture::queryColumn(listingFile(name, "2bd"),
                                    "SELECT UNQDISKID || '=' || ALTDISKID || '/' || MAKEID FROM data ORDER BY rowid");
    }

    // Picks a SongBook in the explorer showing now and opens it.
    void chooseInExplorer(const std::string& name) {
        ASSERT_NE(d_.active(), nullptr) << d_.windows();
        ASSERT_EQ(d_.active()->title, "SongBook File Explorer") << d_.windows();
        int row = 0;
        const auto listed = d_.rows("?LIST");
        for (std::size_t i = 0; i < listed.size(); ++i)
            if (!listed[i].empty() && listed[i][0] == name) row = static_cast<int>(i) + 1;
        ASSERT_NE(row, 0) << name << " is not listed: " << d_.windows();
        ASSERT_TRUE(d_.select("?LIST", row)) << d_.error();
        ASSERT_TRUE(d_.press("&Open Selected SongBook")) << d_.error();
    }

    // Starts the workspace on its own and opens the SongBook; the workspace window is active.
    void openWorkspace(const std::string& name) {
        ASSERT_TRUE(d_.start(BrowseSongBook)) << d_.error();
        chooseInExplorer(name);
        ASSERT_NE(workspace(name), nullptr) << d_.windows();
    }

    std::string workspaceTitle(const std::string& name = "Songs") const { return listingFile(name); }
    std::shared_ptr<const rt::WindowState> workspace(const std::string& name = "Songs") {
        d_.refresh();
        for (const auto& w : d_.state().windows)
            if (w->title == workspaceTitle(name)) return w;
        return nullptr;
    }

    // The first column of every row of the list showing now.
    std::vector<std::string> column(int n = 0) {
        std::vector<std::string> out;
        for (const auto& r : d_.rows()) out.push_back(static_cast<std::size_t>(n) < r.size() ? r[n] : std::string());
        return out;
    }
    int rowOf(const std::string& first) {
        const auto c = column();
        for (std::size_t i = 0; i < c.size(); ++i)
            if (c[i] == first) return static_cast<int>(i) + 1;
        return 0;
    }
    std::string selectedFirst() {
        const int r = d_.selectedRow();
        const auto c = column();
        return r >= 1 && r <= static_cast<int>(c.size()) ? c[static_cast<std::size_t>(r - 1)] : std::string();
    }

    // The text of the message box showing now ("" when none).
    std::string message() {
        auto r = d_.request();
        return r && r->kind == rt::RequestKind::Message ? r->text : std::string();
    }
    std::vector<std::string> popupItems() {
        auto r = d_.request();
        return r && r->kind == rt::RequestKind::Popup ? r->items : std::vector<std::string>{};
    }

    fixture::ScopedConfigHome config_;
    fixture::TempFolder root_;
    std::string install_, books_, oldFolder_;
    headless::Driver d_;
};

}  // namespace workspace_test
