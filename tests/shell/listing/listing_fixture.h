#pragma once
// The listing form and the genre windows run headless over a temporary SongBook pair and
// Genre file. A test seeds the files on the program's thread, then calls the form (or the
// picker) the way the workspace does and acts on its windows as a person would.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "data/data_files.h"
#include "frontend/headless/driver.h"
#include "runtime/date/date.h"
#include "runtime/error/error.h"
#include "runtime/thread/thread.h"
#include "runtime/window/frontend.h"
#include "runtime/window/window.h"
#include "services/OpenDataFile.h"
#include "shell/GenrePicker.h"
#include "shell/UpdateSongBookListing.h"
#include "support/data_fixture.h"

namespace listing_test {

// A function, not a constant: the date service's epoch is itself set up at static initialisation.
inline rt::DayNumber today() { return rt::date(3, 14, 2024); }

// --- on the program's thread ---

inline void addDisc(const std::string& disc, const std::string& alt, const std::string& makeType = "CV",
                    std::int32_t makeId = 7) {
    fixture::addDiscRecord(disc, alt, makeType, makeId);
}

inline void addListing(const std::string& disc, std::uint32_t track, const std::string& title,
                       const std::string& genre = "Rock") {
    SBK.clearBuffer();
    SBK.UNQDISKID = disc;
    SBK.DISKTRACKNO = track;
    SBK.TITLE = title;
    SBK.ARTIST = "Marisol Quaye";
    SBK.GENRE = genre;
    SBK.DATEADDED = rt::date(6, 1, 2021);
    SBK.MAKEID = disc.substr(0, 2);
    SBK.add();
}

inline void addGenre(const std::string& name) {
    GEN.clearBuffer();
    GEN.GENRE = name;
    GEN.add();
}

// The listing into the SongBook buffer and its disc into the disc buffer, as a list hands
// them to the form for a change or a delete.
inline void readListing(const std::string& disc, std::uint32_t track) {
    SBK.clearBuffer();
    SBK.UNQDISKID = disc;
    SBK.DISKTRACKNO = track;
    SBK.get(SongBook::KUNQDISKID);
    SBD.clearBuffer();
    SBD.UNQDISKID = SBK.UNQDISKID;
    SBD.get(SBDiscs::KUNQDISKID);
}

// A new listing: the buffers cleared, then primed.
inline void primeNew(const std::function<void()>& prime = {}) {
    SBK.clearBuffer();
    SBK.clearCurrent();
    SBD.clearBuffer();
    if (prime) prime();
}

// One call of the form: the buffers are primed, then the form runs with the request.
struct Call {
    int request = 0;
    std::function<void()> prime;
};

inline Call changeOf(const std::string& disc, std::uint32_t track) {
    return {2, [=] { readListing(disc, track); }};
}
inline Call deleteOf(const std::string& disc, std::uint32_t track) {
    return {3, [=] { readListing(disc, track); }};
}
inline Call insertOf(std::function<void()> prime = {}) {
    return {1, [=] { primeNew(prime); }};
}

class ListingTest : public ::testing::Test {
protected:
    void SetUp() override {
        fixture::pointFileNamesAt(dir_.path());
        rt::setToday(today());
    }
    void TearDown() override {
        EXPECT_TRUE(d_.end()) << d_.error();
        rt::setToday(0);
    }

    // Seeds the files, then calls the form once per call; CallResponse of each call is kept.
    void start(std::function<void()> seed, std::vector<Call> calls) {
        ASSERT_TRUE(d_.start([this, seed, calls] {
            DataFileUse songBook(SBK), discs(SBD), genres(GEN);
            if (seed) seed();
            for (const Call& c : calls) {
                c.prime();
                CallRequest = c.request;
                UpdateSongBookListing();
                responses_.push_back(CallResponse);
            }
        })) << d_.error();
    }

    // Seeds the Genre file and calls the picker with a request, the Genre buffer holding
    // `buffer`; what the buffer holds on return is kept.
    void startPicker(std::vector<std::string> genres, int request, std::string buffer = "Before") {
        ASSERT_TRUE(d_.start([this, genres, request, buffer] {
            {
                DataFileUse use(GEN);
                for (const auto& g : genres) addGenre(g);
            }
            GEN.clearBuffer();
            GEN.GENRE = buffer;
            CallRequest = request;
            GenrePicker();
            responses_.push_back(CallResponse);
            pickerLeft_ = GEN.GENRE.str();
        })) << d_.error();
    }

    // --- reading the files behind the program's back ---
    std::vector<std::string> sql(const PathText& file, const std::string& query) {
        return fixture::queryColumn(file.str(), query);
    }
    std::vector<std::string> listings() {
        return sql(SongBookFileName, "SELECT UNQDISKID || '-' || DISKTRACKNO || ' ' || TITLE FROM data ORDER BY _rec");
    }
    std::vector<std::string> discs() {
        return sql(SBDiscsFileName, "SELECT UNQDISKID || '/' || ALTDISKID FROM data ORDER BY _rec");
    }
    std::vector<std::string> genreRecords() {
        return sql(GenreFileName, "SELECT GENRE FROM data ORDER BY _rec");
    }
    // Change counters of every listing: a write shows here.
    std::vector<std::string> listingStamps() { return sql(SongBookFileName, "SELECT _chg FROM data ORDER BY _rec"); }

    // --- the form's window ---
    int id(const std::string& field) {
        auto c = d_.control(field);
        return c ? c->id : 0;
    }
    int focus() {
        auto w = d_.active();
        return w ? w->focus : 0;
    }
    std::vector<std::string> choices(const std::string& field) {
        auto c = d_.control(field);
        return c ? c->choices : std::vector<std::string>{};
    }
    // Ctrl+' in a field (the front end sends it as an alerted key of the field).
    bool ctrlQuote(const std::string& field) {
        auto w = d_.active();
        auto c = d_.control(field);
        if (!w || !c) return false;
        rt::EventData e(rt::EvAlertKey, c->id);
        e.key = rt::KeyCtrlQuote;
        return rt::input(w->id, e) && d_.settle();
    }
    std::string activeTitle() {
        auto w = d_.active();
        return w ? w->title : std::string();
    }
    // The message box showing: its title and text.
    std::string box() {
        auto r = d_.request();
        return r ? r->title + ": " + r->text : std::string();
    }

    fixture::TempFolder dir_;
    fixture::ScopedConfigHome config_;
    headless::Driver d_;
    std::vector<int> responses_;
    std::string pickerLeft_;
};

inline const char* kListingForm = "Update SongBook Listing....";
inline const char* kPicker = "Add/Modify Genre";
inline const char* kGenreForm = "Update Genre";

}  // namespace listing_test
