#pragma once
// Old SongBooks opened through the SongBook File Explorer as a host opens them, over a demo
// installation (its master disc file knows the "CV" discs).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "shell/workspace/workspace_fixture.h"
#include "support/old_songbooks.h"
#include "support/temp_folder.h"

namespace convert_test {

using fixture::OldDisc;
using fixture::OldListing;

inline std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// What opening a SongBook came to, as the host saw it.
struct Seen {
    std::vector<std::string> messages;  // every message box, in order
    bool opened = false;                // a workspace showed the SongBook
    std::string tracks;                 // its "Total Song Tracks: N"
    std::string problem;                // what kept the test from going on ("" when nothing)

    bool said(const std::string& part) const {
        for (const std::string& m : messages)
            if (m.find(part) != std::string::npos) return true;
        return false;
    }
    std::string all() const {
        std::string out;
        for (const std::string& m : messages) out += "[" + m + "] ";
        return out + problem;
    }
};

class ConvertTest : public workspace_test::WorkspaceTest {
protected:
    std::string file(const std::string& name) const { return books_ + "/" + name; }

    // Chooses the old SongBook in the explorer and answers the conversion question.
    void openOld(const std::string& name, const char* answer = "&Yes") {
        ASSERT_TRUE(d_.start(BrowseSongBook)) << d_.error();
        chooseInExplorer(name);
        ASSERT_NE(message().find("must be converted to the new format"), std::string::npos) << d_.windows();
        ASSERT_TRUE(d_.answer(answer)) << d_.error();
    }

    // Lets the conversion's timer run until its window has gone.
    void runConversion() {
        for (int i = 0; i < 20000 && d_.window("Converting SongBook"); ++i) ASSERT_TRUE(d_.wait(1)) << d_.error();
        ASSERT_EQ(d_.window("Converting SongBook"), nullptr) << d_.windows();
    }

    // Opens the SongBook `name` in the explorer and goes on as a host who wants it converted:
    // Yes to the conversion, `replace` to "SongBook Exists", OK to everything else, the
    // conversion's window left to run, until a workspace shows it or the program has ended.
    // Uses no assertions, so that a child process can use it too; the driver ends afterwards.
    Seen openAsHost(const std::string& name, const std::string& replace = "&No") {
        Seen s;
        if (!d_.start(BrowseSongBook)) {
            s.problem = "start: " + d_.error();
            return s;
        }
        int row = 0;
        const auto listed = d_.rows("?LIST");
        for (std::size_t i = 0; i < listed.size(); ++i)
            if (!listed[i].empty() && listed[i][0] == name) row = static_cast<int>(i) + 1;
        if (row == 0 || !d_.select("?LIST", row) || !d_.press("&Open Selected SongBook")) {
            s.problem = name + " cannot be opened: " + d_.error() + "\n" + d_.windows();
            d_.end();
            return s;
        }
        for (int guard = 0; guard < 100000 && d_.running(); ++guard) {
            if (auto r = d_.request(); r && r->kind == rt::RequestKind::Message) {
                s.messages.push_back(r->text);
                const char* button = r->text.find("Proceed?") != std::string::npos ? "&Yes"
                                     : r->title == "SongBook Exists"             ? replace.c_str()
                                                                                 : "OK";
                if (!d_.answer(button)) {
                    s.problem = "answer " + std::string(button) + ": " + d_.error();
                    break;
                }
            } else if (workspace(name)) {
                s.opened = true;
                s.tracks = d_.status().empty() ? std::string() : d_.status().front();
                break;
            } else if (d_.window("Converting SongBook")) {
                if (!d_.wait(1)) {
                    s.problem = "wait: " + d_.error();
                    break;
                }
            } else {
                s.problem = d_.running() ? "stuck at:\n" + d_.windows() : std::string();
                break;
            }
        }
        d_.end();
        return s;
    }

    std::vector<std::string> rowsOf(const std::string& path, const std::string& sql) {
        return fixture::queryColumn(path, sql);
    }
    std::vector<std::string> namesHere() { return fixture::namesIn(books_); }

    // An empty disc file beside a listing file written on its own.
    void makeDiscFileOnly(const std::string& name = "Songs") {
        rt::runProgram([&] {
            SBDiscsFileName = file(name + ".2bd");
            SBD.create();
            SBDiscsFileName.clear();
        });
    }
};

// `count` listings of discs of 12 tracks ("QX1000" on), titles and artists with accents, and
// their discs with custom ids.
inline void manyOldListings(int count, std::vector<OldListing>& listings, std::vector<OldDisc>& discs) {
    for (int i = 0; i < count; ++i) {
        const std::string disc = "QX" + std::to_string(1000 + i / 12);
        if (i % 12 == 0) discs.push_back({disc, std::to_string(500 + i / 12), 2});
        listings.push_back({"Chanson d'été n° " + std::to_string(i), "Zoë Artiste " + std::to_string(i % 37), disc,
                            static_cast<unsigned>(i % 12 + 1), "Étagère B", rt::date(6, 1, 2003)});
    }
}

}  // namespace convert_test
