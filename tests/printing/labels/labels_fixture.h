#pragma once
// A SongBook pair with a few discs and listings in a temporary folder, the master files of
// the demo installation beside it, and the label and slip settings as the program starts.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "data/data_files.h"
#include "data/demo_catalogue.h"
#include "data/tagfile.h"
#include "data/tagque.h"
#include "frontend/headless/driver.h"
#include "printing/LabelSettings.h"
#include "printing/RequestSlipSettings.h"
#include "runtime/error/error.h"
#include "runtime/thread/thread.h"
#include "support/data_fixture.h"

namespace labels_test {

struct Disc {
    std::string disc, custom;
    int brand = 1;
};

struct Listing {
    std::string disc;
    unsigned track = 0;
    std::string title, artist;
};

class LabelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fixture::pointFileNamesAt(dir_.path(), "Labels");
        ASSERT_EQ(WriteDemoCatalogue(dir_.path()), 0);
        rt::runProgram([] {
            SBK.create();
            SBD.create();
        });
        fixture::resetTagging();
        LABELTYPE = 0;
        LABELFOOTER.clear();
        ResetRequestSlipSettings();
        ResetRequestSlipLines();
    }
    void TearDown() override {
        d_.end();
        TagQue.free();
        TagQue.clearBuffer();
    }

    static void onThread(const std::function<void()>& f) { rt::runProgram(f); }

    static void addDiscs(const std::vector<Disc>& discs) {
        onThread([&] {
            SBD.open();
            for (const Disc& d : discs) {
                fixture::addDiscRecord(d.disc, d.custom, d.disc.substr(0, 2), d.brand);
                EXPECT_EQ(rt::errorCode(), 0) << rt::error();
            }
            SBD.close();
        });
    }

    static void addListings(const std::vector<Listing>& listings) {
        onThread([&] {
            SBK.open();
            for (const Listing& l : listings) {
                SBK.clearBuffer();
                SBK.UNQDISKID = l.disc;
                SBK.DISKTRACKNO = l.track;
                SBK.TITLE = l.title;
                SBK.ARTIST = l.artist;
                SBK.add();
                EXPECT_EQ(rt::errorCode(), 0) << rt::error();
            }
            SBK.close();
        });
    }

    // The tag file's records as "disc=custom", in file order.
    std::vector<std::string> tagFile() const {
        return fixture::queryColumn(TagFileName(), "SELECT UNQDISKID || '=' || ALTDISKID FROM data ORDER BY rowid");
    }

    // The rows of a list as "tag|disc|custom".
    std::vector<std::string> rowTexts(const std::string& list) const {
        std::vector<std::string> out;
        for (const auto& r : d_.rows(list)) {
            std::string s;
            for (std::size_t i = 0; i < r.size(); ++i) s += (i ? "|" : "") + r[i];
            out.push_back(s);
        }
        return out;
    }

    const fixture::TempFolder& dir() const { return dir_; }

    headless::Driver d_;

private:
    fixture::ScopedConfigHome config_;
    fixture::TempFolder dir_;
};

}  // namespace labels_test
