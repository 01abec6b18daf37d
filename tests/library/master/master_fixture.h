#pragma once
// A small master database of its own in a temporary folder, a SongBook pair beside it, and the
// headless driver. The catalogue:
//
//   SV1001 Sunvale Sing   1 Cranberry / Peggy Corran      2 Jasper Moon / Della Pruett   3 Hollow Bells / Adela Voss
//   CW2002 Chartwell    1 CRANBERRY / Peggy Corran      2 Willow Line / Jonah Cask
//   PK3003 Pocketone   1 cranberry / Wes Nolan    2 Bakery Love / The Sapphires Four
//   ZP4004 Zephyr         1 Ivory Lane / Jon Lenard    2 Cranberry / Gnash Barlow  3 Amber Lanterns / Tovo
//   MX5005 Mixed          1 Borrowed Run (disc id "MX5005")  2 Rafters ("mx5005")  3 Rosewater ("Mx5005")
//   FL0001 Fillers        40 tracks "Song 01" .. "Song 40" / "Filler Band"
//
// sTitle holds the distinct titles in one spelling ("Cranberry" for all three).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "data/data_files.h"
#include "data/tagque.h"
#include "frontend/headless/driver.h"
#include "library/TagGlobals.h"
#include "runtime/error/error.h"
#include "runtime/window/frontend.h"
#include "support/data_fixture.h"

namespace master_test {

struct Track {
    std::string title, artist, disc;
    int track;
    int brand;
};

inline const std::vector<Track>& catalogueTracks() {
    static const std::vector<Track> tracks = [] {
        std::vector<Track> t = {
            {"Cranberry", "Peggy Corran", "SV1001", 1, 1},
            {"Jasper Moon", "Della Pruett", "SV1001", 2, 1},
            {"Hollow Bells", "Adela Voss", "SV1001", 3, 1},
            {"CRANBERRY", "Peggy Corran", "CW2002", 1, 2},
            {"Willow Line", "Jonah Cask", "CW2002", 2, 2},
            {"cranberry", "Wes Nolan", "PK3003", 1, 3},
            {"Bakery Love", "The Sapphires Four", "PK3003", 2, 3},
            {"Ivory Lane", "Jon Lenard", "ZP4004", 1, 4},
            {"Cranberry", "Gnash Barlow", "ZP4004", 2, 4},
            {"Amber Lanterns", "Tovo", "ZP4004", 3, 4},
            {"Borrowed Run", "Bram Springer", "MX5005", 1, 5},
            {"Rafters", "Areta Fenwick", "mx5005", 2, 5},
            {"Rosewater", "The Palisades", "Mx5005", 3, 5},
        };
        for (int i = 1; i <= 40; ++i) {
            char title[16];
            std::snprintf(title, sizeof title, "Song %02d", i);
            t.push_back({title, "Filler Band", "FL0001", i, 6});
        }
        return t;
    }();
    return tracks;
}

// The first byte-exact sign that a record file was written: SQLite's file change counter.
inline std::uint32_t changeCounter(const std::string& file) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return 0;
    unsigned char h[28] = {};
    const std::size_t n = std::fread(h, 1, sizeof h, f);
    std::fclose(f);
    if (n < sizeof h) return 0;
    return (std::uint32_t{h[24]} << 24) | (std::uint32_t{h[25]} << 16) | (std::uint32_t{h[26]} << 8) | h[27];
}

class MasterTest : public ::testing::Test {
protected:
    void SetUp() override {
        fixture::pointFileNamesAt(dir_.path());
        fixture::resetTagging();
        writeCatalogue();
        writeSongBook({}, {});
    }
    void TearDown() override {
        EXPECT_TRUE(d_.end()) << d_.error();
        TagQue.free();
    }

    static void check(bool ok) { ASSERT_TRUE(ok) << rt::error(); }

    void writeCatalogue() {
        KAR.create();
        KAR.open();
        check(rt::errorCode() == 0);
        KAR.stream();
        for (const Track& t : catalogueTracks()) {
            fixture::addMasterTrack(t.disc, t.disc.substr(2), t.track, t.brand, t.title, t.artist);
            check(rt::errorCode() == 0);
        }
        KAR.close();

        BRA.create();
        BRA.open();
        const char* brands[] = {"Sunvale Sing", "Chartwell", "Pocketone", "Zephyr", "Mixed", "Fillers"};
        for (int i = 0; i < 6; ++i) {
            BRA.clearBuffer();
            BRA.MAKE = brands[i];
            BRA.MAKEID = i + 1;
            BRA.add();
            check(rt::errorCode() == 0);
        }
        BRA.close();

        STI.create();
        STI.open();
        std::vector<std::string> seen;
        for (const Track& t : catalogueTracks()) {
            bool known = false;
            for (const auto& s : seen) known = known || rt::equalNoCase(s, t.title);
            if (known) continue;
            seen.emplace_back(t.title);
            STI.clearBuffer();
            STI.TITLE = t.title;
            STI.add();
            check(rt::errorCode() == 0);
        }
        STI.close();
    }

    struct Listing {
        const char* title;
        const char* artist;
        const char* disc;
        int track;
    };
    struct Disc {
        const char* disc;
        const char* custom;
    };
    // Replaces the SongBook pair.
    void writeSongBook(const std::vector<Listing>& listings, const std::vector<Disc>& discs) {
        SBK.create();
        SBK.open();
        for (const Listing& l : listings) {
            SBK.clearBuffer();
            SBK.TITLE = l.title;
            SBK.ARTIST = l.artist;
            SBK.UNQDISKID = l.disc;
            SBK.DISKTRACKNO = static_cast<std::uint32_t>(l.track);
            SBK.add();
            check(rt::errorCode() == 0);
        }
        SBK.close();
        SBD.create();
        SBD.open();
        for (const Disc& d : discs) {
            fixture::addDiscRecord(d.disc, d.custom, std::string(d.disc).substr(0, 2), 1);
            check(rt::errorCode() == 0);
        }
        SBD.close();
    }

    // The master track of a disc and track, read on the test's own instance.
    KaraokeRecord masterTrack(const std::string& disc, int track) {
        KaraokeRecord out;
        KAR.open();
        KAR.clearBuffer();
        KAR.UNQDISKID = disc;
        KAR.DISKTRACKNO = static_cast<std::uint16_t>(track);
        KAR.get(KARAOKE::KDISK);
        if (rt::errorCode() == 0) out = KAR.record();
        KAR.close();
        rt::clearError();
        return out;
    }

    // The text of the message box showing now ("" when none).
    std::string message() const {
        auto r = d_.request();
        return r && r->kind == rt::RequestKind::Message ? r->text : std::string();
    }
    std::string messageTitle() const {
        auto r = d_.request();
        return r && r->kind == rt::RequestKind::Message ? r->title : std::string();
    }
    std::string activeTitle() const {
        auto a = d_.active();
        return a ? a->title : std::string();
    }
    // Column `col` of every row of a list of the active window.
    std::vector<std::string> column(const std::string& list, std::size_t col) const {
        std::vector<std::string> out;
        for (const auto& r : d_.rows(list)) out.push_back(col < r.size() ? r[col] : std::string());
        return out;
    }
    // The row of the active window's list whose column `col` reads `text` (1-based; 0 none).
    int rowOf(const std::string& list, std::size_t col, const std::string& text) const {
        const auto cells = column(list, col);
        for (std::size_t i = 0; i < cells.size(); ++i)
            if (cells[i] == text) return static_cast<int>(i + 1);
        return 0;
    }
    // Sends a key to a control that is not a list (an entry), as the front end does.
    bool keyOn(const std::string& control, int key) {
        auto a = d_.active();
        auto c = d_.control(control);
        if (!a || !c) return false;
        rt::EventData e(rt::EvAlertKey, c->id);
        e.key = key;
        return rt::input(a->id, e) && d_.settle();
    }

    fixture::ScopedConfigHome config_;
    fixture::TempFolder dir_;
    headless::Driver d_;
};

}  // namespace master_test
