// The AutoUpdate wizard against a loopback update server, as a host runs it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/demo_catalogue.h"
#include "data/dmake.h"
#include "data/globals.h"
#include "data/karaoke.h"
#include "frontend/headless/driver.h"
#include "library/AutoUpdateWizard.h"
#include "library/DecompressUpdateFile.h"
#include "runtime/error/error.h"
#include "runtime/thread/thread.h"
#include "services/RegistryValue.h"
#include "support/data_fixture.h"
#include "support/loopback_http_server.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

const char* const kMasters[] = {"MAIN.TPS", "DMAKE.TPS", "DISCS.TPS", "SARTIST.TPS", "STITLE.TPS"};

std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeBytes(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string stem(const std::string& file) { return file.substr(0, file.find('.')); }

class AutoUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        install_ = root_ / "install";
        newData_ = root_ / "newdata";
        fs::create_directories(install_);
        fs::create_directories(newData_);
        int rc = -1;
        rt::runProgram([&] { rc = WriteDemoCatalogue(install_); });
        ASSERT_EQ(rc, 0);
        // The new master data: the demo's, with a new brand and three tracks of it.
        rt::runProgram([&] {
            rc = WriteDemoCatalogue(newData_);
            if (rc) return;
            SetMasterFileNames(newData_);
            BRA.open();
            fixture::addBrandRecord(99, "Zephyr Sing-Along");
            BRA.close();
            KAR.open();
            for (int t = 1; t <= 3; ++t)
                fixture::addMasterTrack("ZS0001", "0001", t, 99, "Zephyr Song " + std::to_string(t), "Éloïse Brun");
            KAR.close();
        });
        ASSERT_EQ(rc, 0);
        fixture::pointFileNamesAt(install_);
        SongBookIsOpen = 0;
        for (const char* m : kMasters) before_.push_back(bytesOf(install_ + "/" + m));
    }

    void TearDown() override { d_.end(); }

    // The update of the new data on the server, its list's first version `version`; `extra`
    // lines are added to the list.
    void publish(long long version, const std::string& extra = {}) {
        std::string list;
        for (const char* m : kMasters) {
            const std::string packed = PackUpdateBlocks(bytesOf(newData_ + "/" + m), 8000);
            writeBytes(server_ / ("update/01/" + stem(m) + ".UPD"), packed);
            list += "\"UPDATE\",\"" + std::to_string(version) + "\",\"" + m + "\",\"" + stem(m) + ".UPD\"," +
                    std::to_string(packed.size()) + "\n";
        }
        writeBytes(server_ / "update/01/autoupdate2.inf", list + extra);
    }

    void pointAt(const std::string& url) {
        WriteRegistryValue("Settings", "UpdateServer", RegistryProgramPath, url);
    }

    // Starts the wizard and presses Next; downloads then run until something asks.
    void next() {
        ASSERT_TRUE(d_.start(AutoUpdateWizard)) << d_.error();
        ASSERT_TRUE(d_.press("&Next >>")) << d_.error();
        runDownloads();
    }
    void runDownloads() {
        for (int i = 0; i < 3000 && d_.window("Data File AutoUpdate") && !d_.request(); ++i)
            ASSERT_TRUE(d_.wait(1)) << d_.error();
    }
    std::string message() {
        auto r = d_.request();
        return r && r->kind == rt::RequestKind::Message ? r->text : std::string();
    }
    void expectMastersAsBefore() {
        for (std::size_t i = 0; i < std::size(kMasters); ++i)
            EXPECT_EQ(bytesOf(install_ + "/" + kMasters[i]), before_[i]) << kMasters[i];
    }
    long long installedTracks() {
        long long n = -1;
        rt::runProgram([&] {
            KAR.open(rt::ReadOnly);
            n = rt::errorCode() == rt::NoError ? KAR.records() : -1;
            KAR.close();
        });
        return n;
    }

    fixture::TempFolder root_;
    fixture::ScopedConfigHome config_{root_ / "config"};
    std::string install_, newData_;
    fixture::TempFolder server_{"cantorelle-update-server"};
    fixture::LoopbackHttpServer http_{server_.path()};
    std::vector<std::string> before_;
    headless::Driver d_;
};

TEST_F(AutoUpdateTest, CurrentDataAskOnlyTheListAndChangeNothing) {
    publish(456);
    pointAt(http_.url());
    next();
    EXPECT_EQ(message(), "Your Data Files are Current.\n\nDo you still wish to continue?") << d_.windows();
    ASSERT_TRUE(d_.answer("&No")) << d_.error();
    EXPECT_EQ(http_.paths(), std::vector<std::string>{"/update/01/autoupdate2.inf"});
    expectMastersAsBefore();
    EXPECT_NE(d_.window("AutoUpdate by Brambury"), nullptr) << "the wizard stays open";
}

TEST_F(AutoUpdateTest, TheWelcomePageOffersNoStepBack) {
    ASSERT_TRUE(d_.start(AutoUpdateWizard)) << d_.error();
    const auto back = d_.control("?Back");
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->enabled);
    EXPECT_FALSE(d_.press("<< &Back"));
    EXPECT_TRUE(d_.control("?Next")->enabled);
}

TEST_F(AutoUpdateTest, ADataUpdateKeepsTheOldFilesAndInstallsTheNewOnes) {
    publish(459);
    pointAt(http_.url() + "/");
    next();
    ASSERT_NE(d_.window("AutoUpdate Successful"), nullptr) << d_.windows();
    EXPECT_EQ(http_.paths(), (std::vector<std::string>{"/update/01/autoupdate2.inf", "/update/01/MAIN.UPD",
                                                        "/update/01/DMAKE.UPD", "/update/01/DISCS.UPD",
                                                        "/update/01/SARTIST.UPD", "/update/01/STITLE.UPD"}));
    // Asked for fresh copies, not a cache's.
    EXPECT_EQ(http_.requests().front().header("Cache-Control"), "no-cache");
    for (std::size_t i = 0; i < std::size(kMasters); ++i) {
        EXPECT_EQ(bytesOf(install_ + "/" + stem(kMasters[i]) + ".BAK"), before_[i]) << kMasters[i];
        EXPECT_EQ(bytesOf(install_ + "/" + kMasters[i]), bytesOf(newData_ + "/" + kMasters[i])) << kMasters[i];
    }
    EXPECT_EQ(ReadRegistryValue("Version", "DataFile", "", RegistryProgramPath), "459");
    // The saved list has CR LF line ends.
    EXPECT_NE(bytesOf(install_ + "/autoupdate.lst").find(".UPD\",") , std::string::npos);
    EXPECT_NE(bytesOf(install_ + "/autoupdate.lst").find("\r\n"), std::string::npos);
    ASSERT_TRUE(d_.press("Finished")) << d_.error();
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_EQ(installedTracks(), 459);
}

TEST_F(AutoUpdateTest, AFileOneByteShortAsksToRetryAndNoLeavesEverything) {
    publish(459);
    http_.fault("/update/01/MAIN.UPD", fixture::HttpFault::OneByteShort);
    pointAt(http_.url());
    next();
    // The short transfer may be reported as an aborted connection first.
    if (message().rfind("Auto Update Error: ", 0) == 0) {
        ASSERT_TRUE(d_.answer("OK")) << d_.error();
    }
    EXPECT_EQ(message(), "AutoUpdate has experienced an error accessing\nthe necessary Update Files.\n\nDo you wish to "
                         "Retry?")
        << d_.windows();
    ASSERT_TRUE(d_.answer("&No")) << d_.error();
    expectMastersAsBefore();
    for (const char* m : kMasters) EXPECT_FALSE(fs::exists(install_ + "/" + stem(m) + ".BAK")) << m;
}

TEST_F(AutoUpdateTest, AListThatIsNotThereOrAServerThatIsDownIsSaidSo) {
    struct Case {
        bool down;
        const char* text;
    } cases[] = {{false, "Auto Update Error: File not found on server"}, {true, "Auto Update Error: Cannot connect"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        if (c.down) http_.stop();
        else http_.fault("/update/01/autoupdate2.inf", fixture::HttpFault::NotFound);
        pointAt(http_.url());
        next();
        EXPECT_EQ(message(), c.text) << d_.windows();
        ASSERT_TRUE(d_.answer("OK")) << d_.error();
        EXPECT_NE(message().find("Do you wish to Retry?"), std::string::npos) << d_.windows();
        ASSERT_TRUE(d_.answer("&No")) << d_.error();
        EXPECT_FALSE(d_.running()) << "declining the list's retry closes the wizard";
        expectMastersAsBefore();
    }
}

TEST_F(AutoUpdateTest, ACorruptBlockPutsTheOriginalsBack) {
    publish(459);
    // A damaged byte in the middle of the third file's first block.
    std::string discs = bytesOf(server_ / "update/01/DISCS.UPD");
    discs[60] = static_cast<char>(discs[60] ^ 0x55);
    writeBytes(server_ / "update/01/DISCS.UPD", discs);
    pointAt(http_.url());
    next();
    EXPECT_EQ(message(), "Input Data Corrupted") << d_.windows();
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_NE(message().find("Error uncompressing"), std::string::npos) << d_.windows();
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_EQ(message(), "AutoUpdate Error, original files have been restored") << d_.windows();
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_EQ(d_.window("AutoUpdate Successful"), nullptr);
    expectMastersAsBefore();
    EXPECT_EQ(ReadRegistryValue("Version", "DataFile", "none", RegistryProgramPath), "none");
}

TEST_F(AutoUpdateTest, AnUnsafeNameRefusesTheWholeList) {
    for (const char* bad : {"../../evil.UPD", "sub/MAIN.UPD", "MAIN.TPS", "A-NAME-FAR-TOO-LONG-FOR-IT.UPD"}) {
        SCOPED_TRACE(bad);
        publish(459, std::string("\"UPDATE\",\"459\",\"MAIN.TPS\",\"") + bad + "\",10\n");
        http_.clearRequests();
        pointAt(http_.url());
        next();
        EXPECT_NE(message().find("Nothing has been downloaded or changed."), std::string::npos) << d_.windows();
        ASSERT_TRUE(d_.answer("OK")) << d_.error();
        EXPECT_EQ(http_.paths(), std::vector<std::string>{"/update/01/autoupdate2.inf"});
        expectMastersAsBefore();
        ASSERT_TRUE(d_.end());
    }
}

}  // namespace
