#pragma once
// The HTML SongBook under test: a SongBook pair written into a temporary folder, the web
// settings reset, and the page generators or the composer run headless.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/globals.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "exchange/HtmlPageSet.h"
#include "exchange/WebSettings.h"
#include "frontend/headless/driver.h"
#include "runtime/date/date.h"
#include "runtime/error/error.h"
#include "runtime/files/folder.h"
#include "runtime/shell/shell.h"
#include "runtime/thread/thread.h"
#include "support/data_fixture.h"

namespace web_test {

// Lets the progress windows' timers run until no "Generating" window is left (or something
// asks, or the program ended).
inline void runGenerating(headless::Driver& d) {
    for (int i = 0; i < 100000 && d.running(); ++i) {
        d.refresh();
        bool busy = false;
        for (const auto& w : d.state().windows)
            if (w->title.rfind("Generating", 0) == 0) busy = true;
        if (!busy || d.request()) return;
        ASSERT_TRUE(d.wait(1)) << d.error();
    }
}

struct Listing {
    std::string title, artist, disc;
    unsigned track = 0;
};

struct Disc {
    std::string disc, alt;
};

// About a dozen listings: accents, a blank artist, a title with "<" and "&", one starting with
// a blank, "a" and "A", a discless track, a listing whose disc record is missing.
inline std::vector<Listing> goldenListings() {
    return {
        {"Lanterns Over Calder Bay", "Ferris Lane", "CV0105", 2},
        {"lullaby for a lighthouse", "Zoë Marchetti", "CV0105", 3},
        {"Éclat de Lune", "Éloïse Brun", "MX2201", 1},
        {"Rock & Roll <Live>", "Ada Quill", "MX2201", 2},
        {"Atlas", "", "MX2201", 0},
        {"+1 Forever", "Bo Lindqvist", "SELF01", 7},
        {"Other Side", "Bo Lindqvist", "ORPHAN1", 7},
        {"Theory of Rain", "Ada Quill", "CV0105", 1},
        {"the long road", "zoë marchetti", "CV0105", 4},
        {"<script>alert(1)</script>", "Ferris Lane", "MX2201", 3},
        {" Leading Blank", "Ada Quill", "SELF01", 0},
        {"Ölmühle", "Éloïse Brun", "MX2201", 4},
        {"apple pie", "ada quill", "CV0105", 5},
    };
}

inline std::vector<Disc> goldenDiscs() { return {{"CV0105", "101"}, {"MX2201", "102"}, {"SELF01", "*"}}; }

using fixture::namesIn;
using fixture::readText;

class WebTest : public ::testing::Test {
protected:
    void SetUp() override {
        books_ = root_.file("books");
        std::filesystem::create_directories(books_);
        fixture::pointFileNamesAt(root_.path());
        ResetWebSettings();
        rt::setLauncher([](const std::vector<std::string>&) {});
        rt::clearLaunchedCommands();
    }
    void TearDown() override {
        d_.end();
        rt::setLauncher(nullptr);
        ResetWebSettings();
    }

    std::string songBook(const std::string& name) const { return books_ + "/" + name + ".2bk"; }
    std::string pages(const std::string& set) const { return books_ + "/WebPages/" + set; }

    // Writes the pair books/<name>.2bk/.2bd and points the SongBook file names at it.
    void makeSongBook(const std::string& name, const std::vector<Listing>& listings, const std::vector<Disc>& discs) {
        SongBookFileName = songBook(name);
        SBDiscsFileName = books_ + "/" + name + ".2bd";
        int failed = 0;
        rt::runProgram([&] {
            SBK.create();
            SBK.open();
            SBD.create();
            SBD.open();
            for (const Disc& d : discs) {
                fixture::addDiscRecord(d.disc, d.alt, d.disc.substr(0, 2), 1);
                failed += rt::errorCode() != rt::NoError;
            }
            for (const Listing& l : listings) {
                SBK.clearBuffer();
                SBK.TITLE = l.title;
                SBK.ARTIST = l.artist;
                SBK.UNQDISKID = l.disc;
                SBK.DISKTRACKNO = l.track;
                SBK.DATEADDED = rt::date(5, 1, 2004);
                SBK.add();
                failed += rt::errorCode() != rt::NoError;
            }
            SBK.close();
            SBD.close();
        });
        ASSERT_EQ(failed, 0);
    }

    void runProgress() { runGenerating(d_); }

    // Runs both generators as the composer does, headless; true when both completed.
    bool generate() {
        bool titles = false, artists = false;
        EXPECT_TRUE(d_.start([&] {
            titles = WriteHtmlTitlePages();
            artists = WriteHtmlArtistPages();
        })) << d_.error();
        runProgress();
        runProgress();
        EXPECT_FALSE(d_.running()) << d_.windows();
        d_.end();
        return titles && artists;
    }

    fixture::ScopedConfigHome config_;
    fixture::TempFolder root_;
    std::string books_;
    headless::Driver d_;
};

}  // namespace web_test
