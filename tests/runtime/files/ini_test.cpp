#include "runtime/files/folder.h"
#include "runtime/files/ini.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include <cctype>

using fixture::namesIn;
using fixture::readText;
using fixture::TempFolder;
using fixture::writeText;

namespace {

const char* const kNoFile = nullptr;

// The case's description as a test name.
template <class Case>
std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    std::string name;
    for (const char* p = info.param.name; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
}

struct GetCase {
    const char* name;
    const char* content;  // nullptr: no file
    const char* section;
    const char* key;
    const char* deflt;
    const char* expected;
};

const GetCase getCases[] = {
    {"section and key in any case", "[GettingStarted]\nXPosit=10\n", "gettingstarted", "xposit", "0", "10"},
    {"missing key gives the default", "[a]\nx=1\n", "a", "y", "0", "0"},
    {"missing section gives the default", "[a]\nx=1\n", "b", "x", "dflt", "dflt"},
    {"missing file gives the default", kNoFile, "a", "x", "dflt", "dflt"},
    {"default loses trailing blanks", kNoFile, "a", "x", "No   ", "No"},
    {"empty value is not missing", "[a]\nx=\n", "a", "x", "dflt", ""},
    {"value holding '='", "[a]\nurl=http://h/?a=b&c=d\n", "a", "url", "", "http://h/?a=b&c=d"},
    {"blanks around key and value", "[ a ]\n  Width =  300  \n", "a", "width", "", "300"},
    {"quoted value", "[a]\nx=\" padded \"\n", "a", "x", "", " padded "},
    {"CRLF file", "[a]\r\nx=5\r\ny=6\r\n", "a", "x", "", "5"},
    {"key of another section not taken", "[a]\nx=1\n[b]\ny=2\n", "a", "y", "none", "none"},
    {"first of two keys wins", "[a]\nx=1\nx=2\n", "a", "x", "", "1"},
    {"duplicate section searched too", "[a]\nx=1\n[b]\n[A]\nz=3\n", "a", "z", "", "3"},
    {"comment line is not a key", "[a]\n;x=1\nx=2\n", "a", "x", "", "2"},
};

class IniGet : public ::testing::TestWithParam<GetCase> {};

TEST_P(IniGet, Reads) {
    TempFolder tmp;
    fixture::ScopedConfigHome config{tmp / "config"};
    const GetCase& c = GetParam();
    std::string file = tmp / "test.ini";
    if (c.content) writeText(file, c.content);
    EXPECT_EQ(rt::getIni(c.section, c.key, c.deflt, file), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, IniGet, ::testing::ValuesIn(getCases), caseName<GetCase>);

struct PutCase {
    const char* name;
    const char* before;  // nullptr: no file
    const char* section;
    const char* key;
    const char* value;
    const char* after;
};

const char* const kSample = "; placement of dialogs\n[A]\nx=1\ny=2\n\n[B]\nx=9\n";

const PutCase putCases[] = {
    {"replace keeps the rest byte for byte", kSample, "A", "x", "5",
     "; placement of dialogs\n[A]\nx=5\ny=2\n\n[B]\nx=9\n"},
    {"trailing blanks removed", kSample, "B", "x", "Yes   ", "; placement of dialogs\n[A]\nx=1\ny=2\n\n[B]\nx=Yes\n"},
    {"any case replaces, keeps the file's spelling", kSample, "a", "Y", "7",
     "; placement of dialogs\n[A]\nx=1\ny=7\n\n[B]\nx=9\n"},
    {"new key at the end of its section", kSample, "A", "z", "3",
     "; placement of dialogs\n[A]\nx=1\ny=2\nz=3\n\n[B]\nx=9\n"},
    {"new key in the last section", kSample, "B", "w", "4", "; placement of dialogs\n[A]\nx=1\ny=2\n\n[B]\nx=9\nw=4\n"},
    {"new section appended", kSample, "C", "k", "v", "; placement of dialogs\n[A]\nx=1\ny=2\n\n[B]\nx=9\n[C]\nk=v\n"},
    {"no final newline", "[A]\nx=1", "A", "y", "2", "[A]\nx=1\ny=2\n"},
    {"no final newline, new section", "[A]\nx=1", "B", "y", "2", "[A]\nx=1\n[B]\ny=2\n"},
    {"CRLF kept", "[A]\r\nx=1\r\n", "A", "y", "2", "[A]\r\nx=1\r\ny=2\r\n"},
    {"CRLF replace", "[A]\r\nx=1\r\n", "A", "x", "2", "[A]\r\nx=2\r\n"},
    {"value holding '='", "[A]\n", "A", "q", "a=b", "[A]\nq=a=b\n"},
    {"missing file created", nullptr, "RenameSongBook", "XPosit", "120", "[RenameSongBook]\nXPosit=120\n"},
    {"empty section header only", "[A]\n", "A", "x", "1", "[A]\nx=1\n"},
    {"indented key keeps its indent", "[A]\n  x = 1\n", "A", "x", "2", "[A]\n  x=2\n"},
    {"key of duplicate section replaced in place", "[A]\nx=1\n[B]\n[a]\nz=3\n", "A", "z", "4",
     "[A]\nx=1\n[B]\n[a]\nz=4\n"},
    {"new key goes to the first of duplicate sections", "[A]\nx=1\n[B]\n[a]\nz=3\n", "A", "n", "5",
     "[A]\nx=1\nn=5\n[B]\n[a]\nz=3\n"},
};

class IniPut : public ::testing::TestWithParam<PutCase> {};

TEST_P(IniPut, Writes) {
    TempFolder tmp;
    fixture::ScopedConfigHome config{tmp / "config"};
    const PutCase& c = GetParam();
    std::string file = tmp / "test.ini";
    if (c.before) writeText(file, c.before);
    rt::putIni(c.section, c.key, c.value, file);
    EXPECT_EQ(readText(file), c.after);
    std::string stored = c.value;
    while (!stored.empty() && stored.back() == ' ') stored.pop_back();
    EXPECT_EQ(rt::getIni(c.section, c.key, "missing", file), stored);
    EXPECT_EQ(namesIn(tmp.path()), std::vector<std::string>{"test.ini"}) << "temporary file left";
}

INSTANTIATE_TEST_SUITE_P(Cases, IniPut, ::testing::ValuesIn(putCases), caseName<PutCase>);

TEST(IniLocation, BareNameLiesInConfigFolderRelativeNameInCurrentFolder) {
    TempFolder tmp;
    fixture::ScopedConfigHome config{tmp / "config"};
    std::string saved = rt::currentFolder();
    rt::setCurrentFolder(tmp.path());
    std::filesystem::create_directory(tmp / "sub");

    rt::putIni("gettingstarted", "Maximize", "No", "songbook.ini");
    EXPECT_EQ(readText(tmp / "config/cantorelle/songbook.ini"), "[gettingstarted]\nMaximize=No\n");
    EXPECT_FALSE(std::filesystem::exists(tmp / "songbook.ini"));

    rt::putIni("s", "k", "v", "sub/setup.ini");
    EXPECT_EQ(readText(tmp / "sub/setup.ini"), "[s]\nk=v\n");
    EXPECT_EQ(rt::getIni("S", "K", "", "sub/setup.ini"), "v");
    rt::setCurrentFolder(saved);
}

TEST(IniLocation, WritesThroughALinkKeepTheLink) {
    TempFolder tmp;
    fixture::ScopedConfigHome config{tmp / "config"};
    writeText(tmp / "real.ini", "[a]\nx=1\n");
    std::filesystem::create_symlink(tmp / "real.ini", tmp / "link.ini");
    rt::putIni("a", "x", "2", tmp / "link.ini");
    EXPECT_TRUE(std::filesystem::is_symlink(tmp / "link.ini"));
    EXPECT_EQ(readText(tmp / "real.ini"), "[a]\nx=2\n");
}

}  // namespace

namespace {

// A setup file chosen by the host may be anything: what is no file reads as empty (nothing
// waits on a FIFO or reads a device), and a write does not put one key in place of it.
TEST(Ini, WhatIsNoFileIsNeitherReadNorReplaced) {
    TempFolder dir;
    ASSERT_EQ(::mkfifo((dir / "pipe.psf").c_str(), 0600), 0);
    std::filesystem::create_directory(dir / "folder.psf");
    for (const std::string& path : {dir / "pipe.psf", std::string("/dev/zero"), dir / "folder.psf"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(rt::getIni("Version", "Version", "none", path), "none");
        EXPECT_NE(rt::putIniValues({{"Version", "Version", "Print Setup"}}, path), 0);
    }
    rt::putIni("Version", "Version", "Print Setup", dir / "pipe.psf");
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "pipe.psf"));
}

}  // namespace
