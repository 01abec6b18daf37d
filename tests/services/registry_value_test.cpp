#include <gtest/gtest.h>

#include "runtime/registry/registry.h"
#include "services/RegistryValue.h"
#include "support/data_fixture.h"

namespace {

class RegistryValueTest : public ::testing::Test {
protected:
    fixture::ScopedConfigHome config;
    std::string key(const std::string& section) {
        return std::string("Software\\") + RegistryProgramPath + "\\" + section;
    }
};

TEST_F(RegistryValueTest, MissingSectionOrValueGivesTheDefault) {
    EXPECT_EQ(ReadRegistryValue("General", "SongBookPath", "", RegistryProgramPath), "");
    EXPECT_EQ(ReadRegistryValue("Install", "InstallDir", "0", RegistryProgramPath), "0");
    WriteRegistryValue("Install", "Other", RegistryProgramPath, "x");
    EXPECT_EQ(ReadRegistryValue("Install", "InstallDir", "0", RegistryProgramPath), "0");
}

TEST_F(RegistryValueTest, WriteCreatesTheSectionAndRoundTripsExactly) {
    const std::string folder = "/home/host/Karaoke Books/Zoë's/";
    WriteRegistryValue("General", "SongBookPath", RegistryProgramPath, folder);
    EXPECT_TRUE(rt::regKeyExists(key("General")));
    EXPECT_EQ(ReadRegistryValue("General", "SongBookPath", "", RegistryProgramPath), folder);
}

TEST_F(RegistryValueTest, TrailingBlanksAreNotStored) {
    WriteRegistryValue("General  ", "SongBookPath", RegistryProgramPath, "/home/host/Songs   ");
    std::string data;
    rt::RegType type;
    ASSERT_EQ(rt::regQuery(key("General"), "SongBookPath", data, type), rt::RegStatus::Ok);
    EXPECT_EQ(type, rt::RegType::String);
    EXPECT_EQ(data, "/home/host/Songs");
    EXPECT_EQ(ReadRegistryValue("General", "SongBookPath", "", RegistryProgramPath + std::string("  ")),
              "/home/host/Songs");
}

TEST_F(RegistryValueTest, ValuesLongerThan999CharactersReadAsEmpty) {
    WriteRegistryValue("General", "Fits", RegistryProgramPath, std::string(999, 'a'));
    WriteRegistryValue("General", "TooLong", RegistryProgramPath, std::string(1000, 'a'));
    EXPECT_EQ(ReadRegistryValue("General", "Fits", "d", RegistryProgramPath), std::string(999, 'a'));
    EXPECT_EQ(ReadRegistryValue("General", "TooLong", "d", RegistryProgramPath), "");
}

TEST_F(RegistryValueTest, NumbersAndBinaryDataReadAsText) {
    rt::regSet(key("Version"), "DataFile", "1204", rt::RegType::DWord);
    rt::regSet(key("Version"), "Blob", std::string("ab\0c", 4), rt::RegType::Binary);
    rt::regSet(key("Version"), "Odd", "x", rt::RegType::Other);
    EXPECT_EQ(ReadRegistryValue("Version", "DataFile", "", RegistryProgramPath), "1204");
    EXPECT_EQ(ReadRegistryValue("Version", "Blob", "", RegistryProgramPath), std::string("ab\0c", 4));
    EXPECT_EQ(ReadRegistryValue("Version", "Odd", "d", RegistryProgramPath), "");
}

TEST_F(RegistryValueTest, OverlongKeyPathIsNeitherWrittenNorRead) {
    const std::string section(300, 's');
    WriteRegistryValue(section, "V", RegistryProgramPath, "x");
    EXPECT_FALSE(rt::regKeyExists(key(section)));
    rt::regSet(key(section), "V", "x", rt::RegType::String);
    EXPECT_EQ(ReadRegistryValue(section, "V", "d", RegistryProgramPath), "");
}

}  // namespace
