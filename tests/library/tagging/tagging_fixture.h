#pragma once
// A fixture installation for tagging and adding discs: the demo master database and an empty
// SongBook pair in a temporary folder, the file-name variables pointed at them, TagQue and the
// tagging switches reset. Data is set up and read back on a program thread of its own.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "data/data_files.h"
#include "data/demo_catalogue.h"
#include "data/tagque.h"
#include "frontend/headless/driver.h"
#include "library/TagGlobals.h"
#include "runtime/date/date.h"
#include "runtime/error/error.h"
#include "runtime/thread/thread.h"
#include "support/data_fixture.h"

namespace tagging_test {

// A listing as the tests compare it.
struct Listing {
    std::string disc;
    unsigned track = 0;
    std::string title, artist, genre, makeId;
    rt::DayNumber added = 0;
};

struct DiscRecord {
    std::string disc, makeType, custom;
    int brand = 0;
};

class TaggingTest : public ::testing::Test {
protected:
    void SetUp() override {
        fixture::pointFileNamesAt(dir_.path(), "Tagging");
        ASSERT_EQ(WriteDemoCatalogue(dir_.path()), 0);
        onThread([] {
            SBK.create();
            SBD.create();
        });
        fixture::resetTagging();
        rt::setToday(rt::date(3, 14, 2024));
    }
    void TearDown() override {
        TagQue.free();
        TagQue.clearBuffer();
        SkipCustomDiscIdQuery = 0;
        rt::setToday(0);
    }

    // Runs `f` as a program of its own and returns when it has ended.
    static void onThread(const std::function<void()>& f) { rt::runProgram(f); }

    // The demo master tracks of a disc.
    static std::vector<DemoCatalogue::Track> masterTracks(const std::string& disc) {
        static const DemoCatalogue catalogue = BuildDemoCatalogue();
        std::vector<DemoCatalogue::Track> out;
        for (const auto& t : catalogue.tracks)
            if (t.discId == disc) out.push_back(t);
        return out;
    }

    static void tag(const std::string& disc, const std::string& custom, const std::string& genre = {}) {
        TagQue.clearBuffer();
        TagQue.QUEUNQDISKID = disc;
        TagQue.DISKID = custom;
        TagQue.QUEGENRE = genre;
        TagQue.addInOrder({TagField::QUEUNQDISKID, TagField::DISKID});
    }

    static void addMasterTrack(const std::string& disc, unsigned track, const std::string& title, int brand = 9) {
        onThread([&] {
            KAR.open();
            fixture::addMasterTrack(disc, disc, track, brand, title, "Test Artist");
            ASSERT_EQ(rt::errorCode(), 0) << rt::error();
            KAR.close();
        });
    }

    static void addDisc(const std::string& disc, const std::string& custom) {
        onThread([&] {
            SBD.open();
            fixture::addDiscRecord(disc, custom, disc.substr(0, 2), 1);
            ASSERT_EQ(rt::errorCode(), 0) << rt::error();
            SBD.close();
        });
    }

    static void addListing(const std::string& disc, unsigned track, const std::string& title,
                           const std::string& genre = {}) {
        onThread([&] {
            SBK.open();
            SBK.clearBuffer();
            SBK.UNQDISKID = disc;
            SBK.DISKTRACKNO = track;
            SBK.TITLE = title;
            SBK.GENRE = genre;
            SBK.add();
            ASSERT_EQ(rt::errorCode(), 0) << rt::error();
            SBK.close();
        });
    }

    // Every listing, in disc and track order.
    static std::vector<Listing> listings() {
        std::vector<Listing> out;
        fixture::forEachListing([&] {
            out.push_back({SBK.UNQDISKID.str(), SBK.DISKTRACKNO, SBK.TITLE.str(), SBK.ARTIST.str(), SBK.GENRE.str(),
                           SBK.MAKEID.str(), SBK.DATEADDED.day});
        });
        return out;
    }

    static std::vector<Listing> listingsOf(const std::string& disc) {
        std::vector<Listing> out;
        for (auto& l : listings())
            if (rt::equalNoCase(l.disc, disc)) out.push_back(l);
        return out;
    }

    // Every disc record, in file order.
    static std::vector<DiscRecord> discs() {
        std::vector<DiscRecord> out;
        onThread([&] {
            SBD.open();
            SBD.set();
            for (SBD.next(); rt::errorCode() == 0; SBD.next())
                out.push_back({SBD.UNQDISKID.str(), SBD.MAKETYPE.str(), SBD.ALTDISKID.str(), SBD.MAKEID});
            SBD.close();
        });
        return out;
    }

    const fixture::TempFolder& dir() const { return dir_; }

private:
    fixture::ScopedConfigHome config_;
    fixture::TempFolder dir_;
};

}  // namespace tagging_test
