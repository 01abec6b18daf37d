#include <gtest/gtest.h>

#include "runtime/shell/shell.h"
#include "services/OpenWithShell.h"

namespace {

class OpenWithShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        rt::setLauncher([](const std::vector<std::string>&) {});
        rt::clearLaunchedCommands();
    }
    void TearDown() override { rt::setLauncher(nullptr); }
};

TEST_F(OpenWithShellTest, HandsTheClippedDocumentToTheDesktop) {
    OpenWithShell(0, "http://www.cantorelle.example        ");
    auto launched = rt::launchedCommands();
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0].back(), "http://www.cantorelle.example");
}

TEST_F(OpenWithShellTest, BlankDocumentOpensNothing) {
    OpenWithShell(0, "   ");
    EXPECT_TRUE(rt::launchedCommands().empty());
}

}  // namespace
