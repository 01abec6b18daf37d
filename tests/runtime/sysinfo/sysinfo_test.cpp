#include "runtime/sysinfo/sysinfo.h"

#include <gtest/gtest.h>
#include <sys/utsname.h>

namespace {

TEST(SysInfo, ReportsAnNtFamilySystemWithTheKernelText) {
    rt::setVersionForTests(std::nullopt);
    rt::OsVersionInfo info;
    info.size = 148;
    ASSERT_TRUE(rt::getVersionEx(info));
    EXPECT_EQ(info.platformId, 2u);
    EXPECT_EQ(info.majorVersion, 6u);
    EXPECT_EQ(info.minorVersion, 0u);
    EXPECT_EQ(info.size, 148u);
    utsname u{};
    ASSERT_EQ(::uname(&u), 0);
    EXPECT_EQ(info.csdVersion, std::string(u.sysname) + " " + u.release);
}

TEST(SysInfo, TestsChooseWhatIsReported) {
    rt::OsVersionInfo old;
    old.majorVersion = 4;
    old.platformId = 1;
    rt::setVersionForTests(old);
    rt::OsVersionInfo info;
    ASSERT_TRUE(rt::getVersionEx(info));
    EXPECT_EQ(info.majorVersion, 4u);
    EXPECT_EQ(info.platformId, 1u);

    rt::setVersionForTests(std::nullopt, true);
    EXPECT_FALSE(rt::getVersionEx(info));
    rt::setVersionForTests(std::nullopt);
    EXPECT_TRUE(rt::getVersionEx(info));
}

TEST(SysInfo, DragSettingIsNotSetAndWritesAreOnlyNoted) {
    rt::setDragFullWindowsForTests(std::nullopt);
    EXPECT_EQ(rt::getDragFullWindows(), 0);
    rt::setDragFullWindows(1);
    rt::setDragFullWindows(0);
    EXPECT_EQ(rt::getDragFullWindows(), 0) << "writing changes nothing";
    EXPECT_EQ(rt::dragFullWindowsWrites(), (std::vector<int>{1, 0}));

    rt::setDragFullWindowsForTests(1);
    EXPECT_EQ(rt::getDragFullWindows(), 1);
    EXPECT_TRUE(rt::dragFullWindowsWrites().empty());
    rt::setDragFullWindowsForTests(std::nullopt);
}

}  // namespace
