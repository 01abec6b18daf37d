#pragma once
// Small record files for the engine's tests: a listing file and a disc file laid out like
// the SongBook pair, in a temporary folder of their own.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/error/error.h"
#include "support/temp_folder.h"
#include "runtime/record/record.h"

namespace testfiles {

struct ListingRec {
    rt::Text<40> TITLE;
    rt::Text<40> ARTIST;
    rt::Text<15> UNQDISKID;
    std::uint32_t DISKTRACKNO = 0;
    rt::Text<40> GENRE;
    rt::Text<1> DUET;
    rt::Text<1> PRINT;
    rt::Date DATEADDED;
    rt::Text<20> LOCATION;
    rt::Text<2> MAKEID;
    template <class V>
    void fields(V& v) {
        v("TITLE", TITLE);
        v("ARTIST", ARTIST);
        v("UNQDISKID", UNQDISKID);
        v("DISKTRACKNO", DISKTRACKNO);
        v("GENRE", GENRE);
        v("DUET", DUET);
        v("PRINT", PRINT);
        v("DATEADDED", DATEADDED);
        v("LOCATION", LOCATION);
        v("MAKEID", MAKEID);
    }
};

struct Listings : rt::File<Listings, ListingRec> {
    static inline rt::Key KTITLE{"KTITLE", {"TITLE", "ARTIST", "DISKTRACKNO", "DATEADDED"}};
    static inline rt::Key KGENRE{"KGENRE", {"GENRE"}};
    static inline rt::Key KMATCHSONG{"KMATCHSONG", {"TITLE", "ARTIST"}};
    static inline rt::Key KDISKID{"KDISKID", {"UNQDISKID"}};
    static inline rt::Key KDATEADDED{"KDATEADDED", {"DATEADDED"}};
    static inline rt::Key KUNQDISKID{"KUNQDISKID", {"UNQDISKID", "DISKTRACKNO"}, true};
    static inline std::string fileName;
    static inline std::string layoutVersion;
    static rt::FileDeclaration declaration() {
        return {"SongBook", "SBK", [] { return fileName; }, rt::CreateWhenMissing,
                {&KTITLE, &KGENRE, &KMATCHSONG, &KDISKID, &KDATEADDED, &KUNQDISKID}, layoutVersion};
    }
};

struct DiscRec {
    rt::Text<15> UNQDISKID;
    rt::Text<2> MAKETYPE;
    std::int32_t MAKEID = 0;
    rt::Text<15> ALTDISKID;
    template <class V>
    void fields(V& v) {
        v("UNQDISKID", UNQDISKID);
        v("MAKETYPE", MAKETYPE);
        v("MAKEID", MAKEID);
        v("ALTDISKID", ALTDISKID);
    }
};

struct Discs : rt::File<Discs, DiscRec> {
    static inline rt::Key KUNQDISKID{"KUNQDISKID", {"UNQDISKID"}};
    static inline rt::Key KMAKEID{"KMAKEID", {"MAKEID"}};
    static inline rt::Key KALTDISKID{"KALTDISKID", {"ALTDISKID"}, true};
    static inline std::string fileName;
    static rt::FileDeclaration declaration() {
        return {"SBDiscs", "SBD", [] { return fileName; }, rt::CreateWhenMissing,
                {&KUNQDISKID, &KMAKEID, &KALTDISKID}, ""};
    }
};

// A fresh folder per test with both files created and opened on the test's thread.
class RecordFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        folder = dir_.path();
        Listings::fileName = folder + "/book.2bk";
        Listings::layoutVersion.clear();
        Discs::fileName = folder + "/book.2bd";
        songs.create();
        ASSERT_EQ(rt::errorCode(), 0) << rt::error();
        discs.create();
        ASSERT_EQ(rt::errorCode(), 0) << rt::error();
        songs.open();
        ASSERT_EQ(rt::errorCode(), 0) << rt::error();
        discs.open();
        ASSERT_EQ(rt::errorCode(), 0) << rt::error();
    }
    void TearDown() override {
        if (rt::inTransaction()) rt::rollback();
        songs.close();
        discs.close();
    }

    // Adds a listing; returns the error code of the add.
    int addSong(const std::string& title, const std::string& artist = "Artist", const std::string& disc = "",
                std::uint32_t track = 0, const std::string& tag = "", rt::DayNumber date = 0) {
        songs.clearBuffer();
        songs.TITLE = title;
        songs.ARTIST = artist;
        songs.UNQDISKID = disc;
        songs.DISKTRACKNO = track;
        songs.LOCATION = tag;
        songs.DATEADDED = date;
        songs.add();
        return rt::errorCode();
    }

    // The tags (LOCATION) of the listings read from the current sequence until its end.
    std::vector<std::string> readTags(int dir = +1) {
        std::vector<std::string> out;
        for (;;) {
            if (dir > 0)
                songs.next();
            else
                songs.previous();
            if (rt::errorCode() != 0) break;
            out.push_back(songs.LOCATION.str());
        }
        EXPECT_EQ(rt::errorCode(), rt::NoRecord) << rt::error();
        return out;
    }

    fixture::TempFolder dir_{"records"};
    std::string folder;
    Listings songs;
    Discs discs;
};

}  // namespace testfiles
