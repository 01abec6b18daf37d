#include <gtest/gtest.h>

#include "support/temp_folder.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Test processes that died earlier could not remove their folders.
    fixture::removeLeftoverTempFolders();
    return RUN_ALL_TESTS();
}
