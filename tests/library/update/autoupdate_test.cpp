// The AutoUpdate wizard against a loopback update server, as a host runs it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "data/demo_catalogue.h"
#include "data/dmake.h"
#include "data/globals.h"
#include "data/karaoke.h"
#include "data/stitle.h"
#include "library/SearchMasterTracks.h"
#include "frontend/headless/driver.h"
#include "library/AutoUpdateWizard.h"
#include "library/DecompressUpdateFile.h"
#include "library/UpdateInstall.h"
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

// The files of a folder and their bytes, sub-folders as names ending in "/".
std::map<std::string, std::string> snapshot(const std::string& folder) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string n = e.path().filename().string();
        out[e.is_directory() ? n + "/" : n] = e.is_directory() ? std::string() : bytesOf(e.path().string());
    }
    return out;
}

class AutoUpdateTest : public ::testing::Test {
public:
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
            STI.open();
            for (int t = 1; t <= 3; ++t) {
                STI.clearBuffer();
                STI.TITLE = "Zephyr Song " + std::to_string(t);
                STI.add();
            }
            STI.close();
        });
        ASSERT_EQ(rc, 0);
        fixture::pointFileNamesAt(install_);
        SongBookIsOpen = 0;
        for (const char* m : kMasters) before_.push_back(bytesOf(install_ + "/" + m));
    }

    void TearDown() override { d_.end(); }

    // The update of the new data on the server, its list's first version `version`; `extra`
    // lines are added to the list.
    void publish(long long version, const std::string& extra = {}, bool lowerCase = false) {
        std::string list;
        for (const char* m : kMasters) {
            const std::string packed = PackUpdateBlocks(bytesOf(newData_ + "/" + m), 8000);
            std::string oldName = m, newName = stem(m) + ".UPD";
            if (lowerCase)
                for (std::string* n : {&oldName, &newName})
                    for (char& ch : *n) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            writeBytes(server_ / ("update/01/" + newName), packed);
            list += "\"UPDATE\",\"" + std::to_string(version) + "\",\"" + oldName + "\",\"" + newName + "\"," +
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
    static std::string kTitle() { return "AutoUpdate by Brambury"; }
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
    EXPECT_FALSE(fs::exists(UpdateWorkFolder(install_))) << "the downloads stayed behind";
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

// One update list of the table: how the server is set up, what the wizard then asks (each
// message's start and the answer given; "<cancel>" presses Cancel while the list comes in),
// and whether the installation ends wholly updated or byte for byte as it was.
struct ListCase {
    const char* name;
    std::function<void(AutoUpdateTest&)> serve;
    std::vector<std::pair<std::string, std::string>> asks;
    bool updated;
    bool wizardStaysOpen;
};

std::string listLine(const std::string& version, const std::string& oldFile, const std::string& newFile,
                     std::size_t size) {
    return "\"UPDATE\",\"" + version + "\",\"" + oldFile + "\",\"" + newFile + "\"," + std::to_string(size) + "\n";
}

class UpdateListTable : public AutoUpdateTest, public ::testing::WithParamInterface<ListCase> {};

constexpr const char* kRetry = "AutoUpdate has experienced an error accessing";
constexpr const char* kListPath = "/update/01/autoupdate2.inf";

const ListCase kListCases[] = {
    {"AMasterFileNamedTwice",
     [](AutoUpdateTest& t) {
         t.publish(459, listLine("459", "MAIN.TPS", "MAIN2.UPD", 10));
     },
     {{"The update list replaces MAIN.TPS twice", "OK"}}, false, true},
    {"OneUpdateFileForTwoMasterFiles",
     [](AutoUpdateTest& t) {
         t.publish(459);
         fixture::writeText(t.server_ / "update/01/autoupdate2.inf",
                            listLine("459", "MAIN.TPS", "MAIN.UPD", 10) + listLine("459", "DISCS.TPS", "main.upd", 10));
     },
     {{"The update list names the update file main.upd twice", "OK"}}, false, true},
    {"TheGenresAsTheTarget",
     [](AutoUpdateTest& t) { t.publish(459, listLine("459", "GENRE.TPS", "GENRE.UPD", 10)); },
     {{"The update list would replace a file that is not a Main Tunelode data file: GENRE.TPS", "OK"}}, false, true},
    {"TheBrandCodesAsTheTarget",
     [](AutoUpdateTest& t) { t.publish(459, listLine("459", "MAKEID.TPS", "MAKEID.UPD", 10)); },
     {{"The update list would replace a file that is not a Main Tunelode data file: MAKEID.TPS", "OK"}}, false,
     true},
    {"TheGenresAsTheUpdateFile",
     [](AutoUpdateTest& t) {
         t.publish(459);
         fixture::writeText(t.server_ / "update/01/autoupdate2.inf", listLine("459", "MAIN.TPS", "GENRE.TPS", 10));
     },
     {{"The update list would download over an installed file: GENRE.TPS", "OK"}}, false, true},
    {"LowerCaseNames", [](AutoUpdateTest& t) { t.publish(459, {}, true); }, {}, true, false},
    {"AListCutOff",
     [](AutoUpdateTest& t) {
         t.publish(459);
         t.http_.fault(kListPath, fixture::HttpFault::CloseMidBody);
     },
     {{"Auto Update Error: Connection Aborted", "OK"}, {kRetry, "&No"}}, false, false},
    {"CancelDuringTheList",
     [](AutoUpdateTest& t) {
         t.publish(459);
         t.http_.fault(kListPath, fixture::HttpFault::Stall);
     },
     {{"<cancel>", ""}, {"The update list was cancelled before it came in whole.", "OK"}}, false, true},
    {"AnEndlessList",
     [](AutoUpdateTest& t) {
         t.publish(459);
         t.http_.fault(kListPath, fixture::HttpFault::Endless);
     },
     {{"Auto Update Error: File larger than expected", "OK"}, {kRetry, "&No"}}, false, false},
    {"AnUpdateFileLongerThanTheListSays",
     [](AutoUpdateTest& t) {
         t.publish(459);
         t.http_.fault("/update/01/DISCS.UPD", fixture::HttpFault::Endless);
     },
     {{"Auto Update Error: File larger than expected", "OK"}, {kRetry, "&No"}}, false, true},
    {"AnUpdateFileOfAnotherLayout",
     [](AutoUpdateTest& t) {
         fs::copy_file(t.install_ + "/GENRE.TPS", t.newData_ + "/STITLE.TPS", fs::copy_options::overwrite_existing);
         t.publish(459);
     },
     {{"The update file STITLE.UPD does not hold a STITLE.TPS of this program", "OK"},
      {"AutoUpdate Error, original files have been restored", "OK"}},
     false, true},
    {"AnUpdateFileThatIsNoRecordFile",
     [](AutoUpdateTest& t) {
         writeBytes(t.newData_ + "/DMAKE.TPS", "Brambury brand list, not a record file: Zoë, Ñandú, Øresund");
         t.publish(459);
     },
     {{"The update file DMAKE.UPD does not hold a DMAKE.TPS of this program", "OK"},
      {"AutoUpdate Error, original files have been restored", "OK"}},
     false, true},
    {"ARevisionOnlyList",
     [](AutoUpdateTest& t) {
         t.publish(459);
         fixture::writeText(t.server_ / "update/01/autoupdate2.inf",
                            listLine("2.7.1", "CANTORELLE.EXE", "CANTO271.PGM", 10));
     },
     {{"A New Program Revision Exists!", "OK"}, {"This update holds no Main Tunelode data files.", "OK"}}, false,
     true},
};

void PrintTo(const ListCase& c, std::ostream* os) { *os << c.name; }

// A master search window left open across an update reads the new master files.
TEST_F(AutoUpdateTest, AnOpenMasterSearchWindowReadsTheNewFilesAfterAnUpdate) {
    publish(459);
    pointAt(http_.url());
    ASSERT_TRUE(d_.start([] {
        rt::startThread(AutoUpdateWizard);
        SearchMasterTracks();
    })) << d_.error();
    auto search = [&](const std::string& text) {
        auto in = d_.in("Search Main Tunelode");
        ASSERT_TRUE(in.type("?SearchField", text)) << d_.error();
        ASSERT_TRUE(in.press("&Search")) << d_.error();
    };
    auto titles = [&] {
        std::vector<std::string> out;
        if (auto c = d_.control("Search Main Tunelode", "?TitleList"))
            for (const auto& r : c->rows) out.push_back(r.cells.at(0).text);
        return out;
    };
    search("zephyr song");
    EXPECT_TRUE(titles().empty()) << d_.windows();

    ASSERT_TRUE(d_.in(kTitle()).press("&Next >>")) << d_.error();
    runDownloads();
    ASSERT_NE(d_.window("AutoUpdate Successful"), nullptr) << d_.windows();
    ASSERT_TRUE(d_.in("AutoUpdate Successful").press("Finished")) << d_.error();

    search("zephyr song");
    EXPECT_EQ(d_.request(), nullptr) << "the search window reads no closed file: " << d_.windows();
    EXPECT_EQ(titles(), (std::vector<std::string>{"Zephyr Song 1", "Zephyr Song 2", "Zephyr Song 3"}));
    const auto discs = d_.control("Search Main Tunelode", "?TitleDiscList");
    ASSERT_TRUE(discs);
    ASSERT_FALSE(discs->rows.empty());
    EXPECT_EQ(discs->rows[0].cells.at(1).text, "Éloïse Brun");
}

// What an earlier run left, an update file of the list's name (a refused download of an older
// version left one empty) and a work folder of a cut-off download, goes with the next run;
// the host's own files stay.
TEST_F(AutoUpdateTest, LeftoversOfAnEarlierRunAreRemovedAndNothingElse) {
    publish(459);
    writeBytes(install_ + "/MAIN.UPD", "");
    writeBytes(install_ + "/Notes for the show.txt", "Bring the blue microphone");
    writeBytes(UpdateWorkFolder(install_) + "/DMAKE.UPD", "half a downl");
    pointAt(http_.url());
    next();
    EXPECT_EQ(message().substr(0, 50), "An AutoUpdate of the Main Tunelode was interrupted") << d_.windows();
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    runDownloads();
    ASSERT_NE(d_.window("AutoUpdate Successful"), nullptr) << d_.windows();
    EXPECT_FALSE(fs::exists(install_ + "/MAIN.UPD"));
    EXPECT_FALSE(fs::exists(UpdateWorkFolder(install_)));
    EXPECT_EQ(bytesOf(install_ + "/Notes for the show.txt"), "Bring the blue microphone");
}

// A file the server does not have leaves no empty update file behind, and nothing installed.
TEST_F(AutoUpdateTest, AnUpdateFileNotOnTheServerLeavesNoFileBehind) {
    publish(459);
    http_.fault("/update/01/SARTIST.UPD", fixture::HttpFault::NotFound);
    const auto before = snapshot(install_);
    pointAt(http_.url());
    next();
    EXPECT_EQ(message(), "Auto Update Error: File not found on server") << d_.windows();
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_NE(message().find("Do you wish to Retry?"), std::string::npos) << d_.windows();
    ASSERT_TRUE(d_.answer("&No")) << d_.error();
    auto after = snapshot(install_);
    after.erase("autoupdate.lst");
    EXPECT_TRUE(after == before) << "left behind: " << after.size() - before.size() << " files";
    expectMastersAsBefore();
}

TEST_P(UpdateListTable, InstallsWhollyOrNotAtAllAndNeverSaysSuccessAfterAFailure) {
    const ListCase& c = GetParam();
    c.serve(*this);
    const auto before = snapshot(install_);
    pointAt(http_.url());
    ASSERT_TRUE(d_.start(AutoUpdateWizard)) << d_.error();
    ASSERT_TRUE(d_.press("&Next >>")) << d_.error();
    std::vector<std::string> seen;
    for (const auto& [text, answer] : c.asks) {
        SCOPED_TRACE(text);
        if (text == "<cancel>") {
            // The list comes in part by part; Cancel while it does.
            for (int i = 0; i < 500 && d_.text("?BYTESRECEIVEDSTRING").rfind("0 of", 0) == 0; ++i)
                ASSERT_TRUE(d_.wait(1)) << d_.error();
            ASSERT_NE(d_.window("Data File AutoUpdate"), nullptr) << d_.windows();
            ASSERT_TRUE(d_.press("&Cancel")) << d_.error();
            continue;
        }
        runDownloads();
        seen.push_back(message());
        EXPECT_EQ(seen.back().substr(0, text.size()), text) << d_.windows();
        ASSERT_TRUE(d_.answer(answer)) << d_.error();
    }
    runDownloads();
    EXPECT_EQ(d_.request(), nullptr) << "asked more: " << d_.windows();
    for (const std::string& m : seen) EXPECT_EQ(m.find("successfully"), std::string::npos) << m;
    EXPECT_EQ(d_.running(), c.updated || c.wizardStaysOpen) << d_.windows();

    auto after = snapshot(install_);
    if (after.count("autoupdate.lst")) {
        EXPECT_LE(after["autoupdate.lst"].size(), 1u << 20) << "a list past its bound was kept";
        after.erase("autoupdate.lst");
    }
    EXPECT_EQ(after.count("autoupdate-work/"), 0u) << "work files were left";
    if (!c.updated) {
        EXPECT_EQ(d_.window("AutoUpdate Successful"), nullptr);
        EXPECT_TRUE(after == before) << "the installation changed";
        EXPECT_EQ(ReadRegistryValue("Version", "DataFile", "none", RegistryProgramPath), "none");
        return;
    }
    ASSERT_NE(d_.window("AutoUpdate Successful"), nullptr) << d_.windows();
    for (std::size_t i = 0; i < std::size(kMasters); ++i) {
        EXPECT_EQ(after[kMasters[i]], bytesOf(newData_ + "/" + kMasters[i])) << kMasters[i];
        EXPECT_EQ(after[stem(kMasters[i]) + ".BAK"], before_[i]) << kMasters[i];
        after.erase(kMasters[i]);
        after.erase(stem(kMasters[i]) + ".BAK");
    }
    auto rest = before;
    for (const char* m : kMasters) rest.erase(m);
    EXPECT_TRUE(after == rest) << "files other than the master files changed or were added";
    EXPECT_EQ(ReadRegistryValue("Version", "DataFile", "", RegistryProgramPath), "459");
}

INSTANTIATE_TEST_SUITE_P(Lists, UpdateListTable, ::testing::ValuesIn(kListCases),
                         [](const ::testing::TestParamInfo<ListCase>& i) { return std::string(i.param.name); });

}  // namespace
