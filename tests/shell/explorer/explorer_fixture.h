#pragma once
// The SongBook File Explorer run headless over a SongBook folder of plain files, with a
// private configuration folder (registry store and "songbook.ini").
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/globals.h"
#include "frontend/headless/driver.h"
#include "runtime/date/date.h"
#include "runtime/files/folder.h"
#include "runtime/window/window.h"
#include "shell/RenameSongBookDialog.h"
#include "shell/SongBookFileExplorer.h"
#include "shell/SongBookFileNames.h"
#include "support/data_fixture.h"

namespace explorer_test {

using fixture::readText;
using fixture::writeText;

inline bool exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found;
}

class ExplorerTest : public ::testing::Test {
protected:
    void SetUp() override {
        books_ = root_.file("books");
        std::filesystem::create_directories(books_);
        oldFolder_ = rt::currentFolder();
        rt::setCurrentFolder(books_);
        rt::setToday(0);
        SongBookFileName.clear();
        LONGNEWPATH.clear();
        SelectedSongBookPath.clear();
        GLO::SHORTSONGBOOKNAME.clear();
    }
    void TearDown() override {
        d_.end();
        rt::setCurrentFolder(oldFolder_);
        rt::setToday(0);
        SetSongBookFileRenamer(nullptr);
    }

    // A folder below the test's root, created.
    std::string folder(const std::string& name) {
        const std::string f = root_.file(name);
        std::filesystem::create_directories(f);
        return f;
    }
    // A SongBook pair of plain files whose contents name them.
    void pair(const std::string& dir, const std::string& name, const std::string& list = "2bk",
              const std::string& disc = "2bd") {
        writeText(dir + "/" + name + "." + list, "listings of " + name + "\n");
        writeText(dir + "/" + name + "." + disc, "discs of " + name + "\n");
    }

    void start() {
        ASSERT_TRUE(d_.start(SongBookFileExplorer)) << d_.error();
        ASSERT_NE(d_.active(), nullptr) << d_.windows();
        ASSERT_EQ(d_.active()->title, "SongBook File Explorer") << d_.windows();
    }

    std::vector<std::string> listed() {
        std::vector<std::string> names;
        for (const auto& r : d_.rows("?LIST")) names.push_back(r.empty() ? std::string() : r[0]);
        return names;
    }
    int rowOf(const std::string& name) {
        const auto names = listed();
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return static_cast<int>(i + 1);
        return 0;
    }
    void selectBook(const std::string& name) {
        const int row = rowOf(name);
        ASSERT_NE(row, 0) << name << " is not listed";
        ASSERT_TRUE(d_.select("?LIST", row)) << d_.error();
    }
    std::string status() { return d_.text("?STATUSMESSAGE"); }
    // The text of the message box showing now ("" when none).
    std::string message() {
        auto r = d_.request();
        return r && r->kind == rt::RequestKind::Message ? r->text : std::string();
    }
    bool explorerShowing() {
        auto a = d_.active();
        return d_.running() && a && a->title == "SongBook File Explorer";
    }

    fixture::ScopedConfigHome config_;
    fixture::TempFolder root_;
    std::string books_;
    std::string oldFolder_;
    headless::Driver d_;
};

}  // namespace explorer_test
