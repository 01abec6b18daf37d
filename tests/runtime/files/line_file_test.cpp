#include "runtime/error/error.h"
#include "runtime/files/line_file.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <cerrno>
#include <string>

using fixture::namesIn;
using fixture::readText;
using fixture::TempFolder;
using fixture::writeText;

namespace {

TEST(LineFileTest, LinesEndInCrLfLoseTrailingBlanksAndAreNeverCut) {
    TempFolder tmp;
    rt::LineFile f;
    ASSERT_EQ(f.create(tmp / "page.htm"), 0);
    const std::string longLine(70000, 'x');
    f.write("<HTML>   ");
    f.write("");
    f.write("  keeps leading blanks");
    f.write(longLine);
    f.write("Zoë");
    ASSERT_EQ(f.close(), 0);
    EXPECT_EQ(readText(tmp / "page.htm"), "<HTML>\r\n\r\n  keeps leading blanks\r\n" + longLine + "\r\nZoë\r\n");
}

TEST(LineFileTest, TheOldFileStaysUntilTheNewOneIsComplete) {
    TempFolder tmp;
    writeText(tmp / "page.htm", "old page");
    {
        rt::LineFile f;
        ASSERT_EQ(f.create(tmp / "page.htm"), 0);
        f.write("new page");
        EXPECT_EQ(readText(tmp / "page.htm"), "old page");
        // Dropped without close(): the old page stays and no temporary file is left.
    }
    EXPECT_EQ(readText(tmp / "page.htm"), "old page");
    EXPECT_EQ(namesIn(tmp.path()), std::vector<std::string>{"page.htm"});
    rt::LineFile f;
    ASSERT_EQ(f.create(tmp / "page.htm"), 0);
    f.write("new page");
    ASSERT_EQ(f.close(), 0);
    EXPECT_EQ(readText(tmp / "page.htm"), "new page\r\n");
    EXPECT_EQ(namesIn(tmp.path()), std::vector<std::string>{"page.htm"});
}

TEST(LineFileTest, AFileThatCannotBeCreatedSaysWhy) {
    TempFolder tmp;
    writeText(tmp / "plain", "a file, not a folder");
    rt::LineFile f;
    EXPECT_EQ(f.create(tmp / "plain/page.htm"), ENOTDIR);
    EXPECT_EQ(rt::errorCode(), rt::FileSystemError);
    EXPECT_EQ(rt::fileErrorCode(), ENOTDIR);
    EXPECT_FALSE(f.isOpen());
    f.write("goes nowhere");
    EXPECT_EQ(f.close(), EBADF);
    EXPECT_EQ(f.create(tmp / "missing/page.htm"), ENOENT);
}

}  // namespace
