#include "runtime/registry/registry.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

using rt::RegStatus;
using rt::RegType;
using fixture::readText;
using fixture::TempFolder;
using fixture::writeText;

namespace {

const std::string kGeneral = "Software\\Brambury\\Cantorelle\\1.0\\General";
const std::string kInstall = "Software\\Brambury\\Cantorelle\\1.0\\Install";

class RegistryTest : public ::testing::Test {
protected:
    TempFolder tmp;
    fixture::ScopedConfigHome config{tmp / "config"};
    std::string store() const { return tmp / "config/cantorelle/registry.ini"; }
};

TEST_F(RegistryTest, TextsRoundTripExactly) {
    const std::string texts[] = {
        "/home/host/SongBooks/",  // last character kept
        "C:\\Songs\\",
        "trailing blanks  ",      // only callers remove them
        "  leading",
        "",
        "100% = [sure]; really",
        "line\nbreak\r\tand tab",
        "%41%%",
        "caf\xc3\xa9 \x80\xff",
    };
    int i = 0;
    for (const std::string& text : texts) {
        std::string name = "Value" + std::to_string(i++);
        ASSERT_EQ(rt::regSet(kGeneral, name, text, RegType::String), RegStatus::Ok);
    }
    i = 0;
    for (const std::string& text : texts) {
        std::string name = "Value" + std::to_string(i++);
        std::string data = "junk";
        RegType type = RegType::Other;
        EXPECT_EQ(rt::regQuery(kGeneral, name, data, type), RegStatus::Ok) << name;
        EXPECT_EQ(data, text) << name;
        EXPECT_EQ(type, RegType::String);
    }
}

TEST_F(RegistryTest, MissingKeyMissingValueAndTooLongDiffer) {
    std::string data;
    RegType type;
    EXPECT_EQ(rt::regQuery(kGeneral, "SongBookPath", data, type), RegStatus::NoKey) << "no store yet";
    EXPECT_FALSE(rt::regKeyExists(kGeneral));

    ASSERT_EQ(rt::regSet(kGeneral, "SongBookPath", "/songs", RegType::String), RegStatus::Ok);
    EXPECT_TRUE(rt::regKeyExists(kGeneral));
    EXPECT_TRUE(rt::regKeyExists("software\\brambury\\cantorelle\\1.0")) << "a parent key exists";
    EXPECT_FALSE(rt::regKeyExists("Software\\Bram"));
    EXPECT_EQ(rt::regQuery(kGeneral, "Other", data, type), RegStatus::NoValue);
    EXPECT_EQ(rt::regQuery(kInstall, "InstallDir", data, type), RegStatus::NoKey);
    EXPECT_EQ(rt::regQuery("SOFTWARE\\brambury\\CANTORELLE\\1.0\\general", "songbookpath", data, type), RegStatus::Ok);
    EXPECT_EQ(data, "/songs");

    struct Case {
        size_t length;
        RegStatus status;
    } cases[] = {{998, RegStatus::Ok}, {999, RegStatus::Ok}, {1000, RegStatus::TooLong}, {5000, RegStatus::TooLong}};
    for (const Case& c : cases) {
        ASSERT_EQ(rt::regSet(kGeneral, "Long", std::string(c.length, 'x'), RegType::String), RegStatus::Ok);
        data = "junk";
        EXPECT_EQ(rt::regQuery(kGeneral, "Long", data, type), c.status) << c.length;
        EXPECT_EQ(data.size(), c.status == RegStatus::Ok ? c.length : 0u) << c.length;
    }
}

TEST_F(RegistryTest, TypesAreKept) {
    ASSERT_EQ(rt::regSet(kInstall, "Count", "123", RegType::DWord), RegStatus::Ok);
    ASSERT_EQ(rt::regSet(kInstall, "Max", "4294967295", RegType::DWord), RegStatus::Ok);
    ASSERT_EQ(rt::regSet(kInstall, "Path", "%HOME%/x", RegType::ExpandString), RegStatus::Ok);
    ASSERT_EQ(rt::regSet(kInstall, "Bytes", std::string("a\0b\xff", 4), RegType::Binary), RegStatus::Ok);
    EXPECT_NE(rt::regSet(kInstall, "Bad", "12x", RegType::DWord), RegStatus::Ok);
    EXPECT_NE(rt::regSet(kInstall, "Huge", "4294967296", RegType::DWord), RegStatus::Ok);

    struct Case {
        const char* name;
        RegType type;
        std::string data;
    } cases[] = {
        {"Count", RegType::DWord, "123"},
        {"Max", RegType::DWord, "4294967295"},
        {"Path", RegType::ExpandString, "%HOME%/x"},
        {"Bytes", RegType::Binary, std::string("a\0b\xff", 4)},
    };
    for (const Case& c : cases) {
        std::string data;
        RegType type = RegType::Other;
        EXPECT_EQ(rt::regQuery(kInstall, c.name, data, type), RegStatus::Ok) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
        EXPECT_EQ(data, c.data) << c.name;
    }
    std::string data;
    RegType type;
    EXPECT_EQ(rt::regQuery(kInstall, "Bad", data, type), RegStatus::NoValue);
}

TEST_F(RegistryTest, RewritingAValueKeepsEverythingElse) {
    ASSERT_EQ(rt::regSet(kInstall, "InstallDir", "/opt/a", RegType::String), RegStatus::Ok);
    ASSERT_EQ(rt::regSet(kGeneral, "SongBookPath", "/songs", RegType::String), RegStatus::Ok);
    ASSERT_EQ(rt::regSet(kInstall, "Other", "o", RegType::String), RegStatus::Ok);
    ASSERT_EQ(rt::regSet("software\\BRAMBURY\\cantorelle\\1.0\\install", "installdir", "/opt/b", RegType::String),
              RegStatus::Ok);

    std::string text = readText(store());
    EXPECT_EQ(text.find("/opt/a"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '['), 2) << text;
    std::string data;
    RegType type;
    EXPECT_EQ(rt::regQuery(kInstall, "InstallDir", data, type), RegStatus::Ok);
    EXPECT_EQ(data, "/opt/b");
    EXPECT_EQ(rt::regQuery(kInstall, "Other", data, type), RegStatus::Ok);
    EXPECT_EQ(data, "o");
    EXPECT_EQ(rt::regQuery(kGeneral, "SongBookPath", data, type), RegStatus::Ok);
    EXPECT_EQ(data, "/songs");
}

TEST_F(RegistryTest, ConcurrentWritersLoseNothing) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 25; ++i)
                rt::regSet(kGeneral, "V" + std::to_string(t) + "_" + std::to_string(i), std::to_string(i), RegType::String);
        });
    for (auto& th : threads) th.join();
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 25; ++i) {
            std::string data;
            RegType type;
            EXPECT_EQ(rt::regQuery(kGeneral, "V" + std::to_string(t) + "_" + std::to_string(i), data, type), RegStatus::Ok);
            EXPECT_EQ(data, std::to_string(i));
        }
}

TEST_F(RegistryTest, UnreadableStoreIsAccessDeniedNotMissing) {
    std::filesystem::create_directories(store());  // readable by nobody as a file
    std::string data = "junk";
    RegType type;
    EXPECT_EQ(rt::regQuery(kGeneral, "SongBookPath", data, type), RegStatus::AccessDenied);
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(rt::regSet(kGeneral, "SongBookPath", "/songs", RegType::String), RegStatus::AccessDenied);
    EXPECT_TRUE(std::filesystem::is_directory(store()));
}

}  // namespace
