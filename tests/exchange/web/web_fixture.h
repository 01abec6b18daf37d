#pragma once
// The HTML SongBook under test: a SongBook pair written into a temporary folder, the web
// settings reset, and the page generators or the composer run headless.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
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

// A link as the browser resolves it to a file: %XX decoded.
inline std::string decoded(const std::string& link) {
    std::string out;
    for (std::size_t i = 0; i < link.size(); ++i) {
        if (link[i] == '%' && i + 2 < link.size()) {
            out += static_cast<char>(std::stoi(link.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += link[i];
        }
    }
    return out;
}

inline std::vector<std::string> linksIn(const std::string& page) {
    static const std::regex href(R"re(href="?([^" >]+))re", std::regex::icase);
    std::vector<std::string> out;
    for (auto it = std::sregex_iterator(page.begin(), page.end(), href); it != std::sregex_iterator(); ++it)
        out.push_back((*it)[1]);
    return out;
}

inline int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

// A page is whole when it ends as the generators end every page.
inline bool wholePage(const std::string& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return false;
    const std::string text = readText(file);
    return text.size() >= 9 && text.compare(text.size() - 9, 9, "</HTML>\r\n") == 0;
}

// The links of a page (in its folder) that reach no whole page, the page itself included when
// it is not whole; the home address is not a page of the set.
inline std::vector<std::string> brokenLinks(const std::string& folder, const std::string& page) {
    if (!wholePage(folder + "/" + page)) return {page + " is not whole"};
    std::vector<std::string> broken;
    for (const std::string& link : linksIn(readText(folder + "/" + page))) {
        if (link.rfind("http", 0) == 0) continue;
        if (!wholePage(folder + "/" + decoded(link))) broken.push_back(link);
    }
    return broken;
}

// The listing rows of the letter pages an index links to.
inline int rowsLinkedFrom(const std::string& folder, const std::string& index) {
    int rows = 0;
    for (const std::string& link : linksIn(readText(folder + "/" + index))) {
        const std::string name = decoded(link);
        if (name.rfind("T-", 0) == 0 || name.rfind("A-", 0) == 0)
            if ((name[0] == 'T') == (index == "index.htm")) rows += count(readText(folder + "/" + name), "<TR> <TD>");
    }
    return rows;
}

// The work files of pages in a folder.
inline std::vector<std::string> leftovers(const std::string& folder) {
    std::vector<std::string> found;
    for (const std::string& name : namesIn(folder))
        if (name.find(".tmp") != std::string::npos) found.push_back(name);
    return found;
}

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

    // Runs both generators into one set as the composer does, headless; true when both were
    // written and the set is in place.
    bool generate() {
        bool written = false;
        EXPECT_TRUE(d_.start([&] {
            HtmlPageSetWrite pages;
            written = WriteHtmlTitlePages(&pages) == PageSetRun::Written &&
                      WriteHtmlArtistPages(&pages) == PageSetRun::Written && pages.commit();
        })) << d_.error();
        runProgress();
        runProgress();
        EXPECT_FALSE(d_.running()) << d_.windows();
        d_.end();
        return written;
    }

    fixture::ScopedConfigHome config_;
    fixture::TempFolder root_;
    std::string books_;
    headless::Driver d_;
};

}  // namespace web_test
