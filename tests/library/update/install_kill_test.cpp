// The install of a master data update killed at every step of its way and at moments in
// between, then the program started again: every master file is whole, all old or all new,
// the replaced ones are kept as ".BAK", and nothing of the install is left behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "data/demo_catalogue.h"
#include "data/dmake.h"
#include "data/globals.h"
#include "data/karaoke.h"
#include "frontend/headless/driver.h"
#include "library/DecompressUpdateFile.h"
#include "library/UpdateInstall.h"
#include "library/UpdateList.h"
#include "runtime/error/error.h"
#include "runtime/thread/thread.h"
#include "services/RegistryValue.h"
#include "shell/ProgramMain.h"
#include "support/data_fixture.h"
#include "support/killed_writer.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using fixture::readText;
using fixture::writeText;

std::string stem(const std::string& f) { return f.substr(0, f.find('.')); }

class InstallKillTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* d : {"old", "new", "install"}) fs::create_directories(root_ / d);
        int rc = -1;
        rt::runProgram([&] { rc = WriteDemoCatalogue(root_ / "old"); });
        ASSERT_EQ(rc, 0);
        // The new data: the demo's and enough tracks more that expanding them takes a while.
        rt::runProgram([&] {
            rc = WriteDemoCatalogue(root_ / "new");
            if (rc) return;
            SetMasterFileNames(root_ / "new");
            BRA.open();
            fixture::addBrandRecord(99, "Zéphyr Sing-Along");
            BRA.close();
            KAR.open();
            rt::logout(10, {&KAR});
            for (int t = 0; t < 30000; ++t)
                fixture::addMasterTrack("ZS" + std::to_string(1000 + t / 15), std::to_string(t / 15), t % 15 + 1, 99,
                                        "Chanson numéro " + std::to_string(t), "Éloïse Brun " + std::to_string(t % 97));
            rt::commit();
            rc = rt::errorCode();
            KAR.close();
        });
        ASSERT_EQ(rc, 0);
        for (const char* m : kUpdatableMasterFiles) {
            old_[m] = readText(root_ / ("old/" + std::string(m)));
            new_[m] = readText(root_ / ("new/" + std::string(m)));
            packed_[m] = PackUpdateBlocks(new_[m]);
            files_.push_back({m, stem(m) + ".UPD"});
        }
        for (const char* other : {"GENRE.TPS", "MAKEID.TPS"}) old_[other] = readText(root_ / ("old/" + std::string(other)));
        WriteRegistryValue("Install", "InstallDir", RegistryProgramPath, inst());
        rt::runProgram([&] {
            KAR.open(rt::ReadOnly);
            newTracks_ = std::to_string(KAR.records());
            KAR.close();
        });
    }

    std::string inst() const { return root_ / "install"; }

    // The old installation with the update downloaded, as the wizard leaves it before installing.
    void prepare() {
        fs::remove_all(inst());
        fs::create_directories(UpdateWorkFolder(inst()));
        for (const auto& [name, bytes] : old_) writeText(inst() + "/" + name, bytes);
        for (const auto& [name, bytes] : packed_) writeText(UpdateWorkFolder(inst()) + "/" + stem(name) + ".UPD", bytes);
    }

    // The install in a child process: killed at its step `killAtStep` (from 1), or `delayMs`
    // after it began when killAtStep is 0; one that ends first waits for its kill.
    void killInstall(int killAtStep, int delayMs) {
        const std::vector<UpdateFileToInstall> files = files_;
        const std::string folder = inst();
        fixture::killWriterAfter(delayMs, [&](const std::function<void()>& ready) {
            rt::runProgram([&] {
                SetMasterFileNames(folder);
                int steps = 0;
                if (killAtStep == 0) ready();
                InstallUpdate(folder, files, [&] {
                    if (++steps == killAtStep) {
                        ready();
                        for (;;) ::pause();
                    }
                });
                if (killAtStep != 0) ready();
                for (;;) ::pause();
            });
        });
    }

    // The start's own finishing of the install in a child process, killed at its step `step`.
    void killFinishing(int step) {
        const std::string folder = inst();
        fixture::killWriterAfter(0, [&](const std::function<void()>& ready) {
            rt::runProgram([&] {
                SetMasterFileNames(folder);
                int steps = 0;
                FinishInterruptedUpdate(folder, [&] {
                    if (++steps == step) {
                        ready();
                        for (;;) ::pause();
                    }
                });
                ready();
                for (;;) ::pause();
            });
        });
    }

    // The program started again, as a host does: what it said.
    std::vector<std::string> restart() {
        std::vector<std::string> said;
        headless::Driver d;
        EXPECT_TRUE(d.start(ProgramMain)) << d.error();
        for (int i = 0; i < 5 && d.request(); ++i) {
            said.push_back(d.request()->text);
            EXPECT_TRUE(d.answer("OK")) << d.error();
        }
        EXPECT_NE(d.frame(), nullptr) << d.windows();
        EXPECT_TRUE(d.end());
        return said;
    }

    fixture::TempFolder root_{"cantorelle-install-kill"};
    fixture::ScopedConfigHome config_{root_ / "config"};
    std::map<std::string, std::string> old_, new_, packed_;
    std::vector<UpdateFileToInstall> files_;
    std::string newTracks_;
};

TEST_F(InstallKillTest, AKillAtAnyMomentLeavesEveryMasterFileWholeAndTheNextStartFinishesOrCleansUp) {
    // The steps of a whole install, counted in one that runs to its end.
    prepare();
    int steps = 0;
    UpdateInstall whole;
    {
        headless::Driver d;
        ASSERT_TRUE(d.start([&] {
            SetMasterFileNames(inst());
            whole = InstallUpdate(inst(), files_, [&] { ++steps; });
        }));
        for (int i = 0; i < 100 && d.running(); ++i) d.settle();
        EXPECT_EQ(d.request(), nullptr) << d.windows();
        EXPECT_TRUE(d.end());
    }
    ASSERT_TRUE(whole.ok) << whole.problem;
    ASSERT_GT(steps, 20);
    for (const char* m : kUpdatableMasterFiles) ASSERT_TRUE(readText(inst() + "/" + m) == new_[m]) << m;

    // Every step, then moments in between (mostly inside the expansions).
    struct Kill {
        int step, delayMs;
    };
    std::vector<Kill> kills;
    for (int s = 1; s <= steps + 1; ++s) kills.push_back({s, 0});
    for (int ms = 0; ms < 24; ++ms) kills.push_back({0, ms * 7});

    int endedOld = 0, endedNew = 0, finishedAtStart = 0;
    for (const Kill& k : kills) {
        SCOPED_TRACE(k.step ? "killed at step " + std::to_string(k.step) : "killed after " + std::to_string(k.delayMs) + " ms");
        prepare();
        ASSERT_NO_FATAL_FAILURE(killInstall(k.step, k.delayMs));
        const bool marked = fs::exists(UpdateWorkFolder(inst()) + "/INSTALLING");
        const bool workLeft = fs::exists(UpdateWorkFolder(inst())) && !fs::is_empty(UpdateWorkFolder(inst()));

        const std::vector<std::string> said = restart();

        // All old or all new, each file whole; the old ones kept beside the new.
        const bool isNew = readText(inst() + "/MAIN.TPS") == new_["MAIN.TPS"];
        for (const char* m : kUpdatableMasterFiles) {
            const std::string now = readText(inst() + "/" + m);
            EXPECT_TRUE(now == (isNew ? new_[m] : old_[m])) << m << " is not the whole " << (isNew ? "new" : "old") << " file";
            if (isNew) EXPECT_TRUE(readText(inst() + "/" + stem(m) + ".BAK") == old_[m]) << stem(m) << ".BAK";
            else EXPECT_FALSE(fs::exists(inst() + "/" + stem(m) + ".BAK")) << "a .BAK of nothing replaced";
        }
        EXPECT_TRUE(readText(inst() + "/GENRE.TPS") == old_["GENRE.TPS"]);
        EXPECT_TRUE(readText(inst() + "/MAKEID.TPS") == old_["MAKEID.TPS"]);
        std::vector<std::string> expected = {"DISCS.TPS", "DMAKE.TPS", "GENRE.TPS", "MAIN.TPS", "MAKEID.TPS", "SARTIST.TPS", "STITLE.TPS"};
        if (isNew) expected = {"DISCS.BAK", "DISCS.TPS", "DMAKE.BAK", "DMAKE.TPS", "GENRE.TPS", "MAIN.BAK", "MAIN.TPS", "MAKEID.TPS", "SARTIST.BAK", "SARTIST.TPS", "STITLE.BAK", "STITLE.TPS"};
        EXPECT_EQ(fixture::namesIn(inst()), expected) << "work files were left";

        // The start said what it did, and only when there was something to do.
        if (marked) {
            EXPECT_TRUE(isNew) << "an install past its marker is finished";
            ASSERT_EQ(said.size(), 1u);
            EXPECT_NE(said[0].find("It has now been finished"), std::string::npos) << said[0];
            EXPECT_EQ(ReadRegistryValue("Version", "DataFile", "", RegistryProgramPath), newTracks_);
            ++finishedAtStart;
        } else if (workLeft) {
            EXPECT_FALSE(isNew);
            ASSERT_EQ(said.size(), 1u);
            EXPECT_NE(said[0].find("Its downloaded files have been removed"), std::string::npos) << said[0];
        } else {
            EXPECT_TRUE(said.empty()) << said.front();
        }
        (isNew ? endedNew : endedOld)++;
        WriteRegistryValue("Version", "DataFile", RegistryProgramPath, "");
    }
    EXPECT_GT(endedOld, 0);
    EXPECT_GT(endedNew, 0);
    EXPECT_GT(finishedAtStart, 10) << "the kills past the marker";
}

// A kill while the start puts the new files in place: the start after it finishes the job.
TEST_F(InstallKillTest, AKillWhileTheStartFinishesAnInstallIsFinishedByTheStartAfterIt) {
    // The install killed at its first step past the marker, and in the middle of putting in place.
    for (const int installStep : {7, 14}) {
        for (int step = 1; step <= 24; ++step) {
            SCOPED_TRACE("install killed at step " + std::to_string(installStep) + ", its finishing at step " +
                         std::to_string(step));
            prepare();
            ASSERT_NO_FATAL_FAILURE(killInstall(installStep, 0));
            ASSERT_TRUE(fs::exists(UpdateWorkFolder(inst()) + "/INSTALLING")) << "killed before the marker";
            ASSERT_NO_FATAL_FAILURE(killFinishing(step));
            const bool stillMarked = fs::exists(UpdateWorkFolder(inst()) + "/INSTALLING");
            const std::vector<std::string> said = restart();
            if (stillMarked) {
                ASSERT_EQ(said.size(), 1u);
                EXPECT_NE(said[0].find("It has now been finished"), std::string::npos) << said[0];
            } else {
                EXPECT_TRUE(said.empty()) << said.front();
            }
            for (const char* m : kUpdatableMasterFiles) {
                EXPECT_TRUE(readText(inst() + "/" + m) == new_[m]) << m;
                EXPECT_TRUE(readText(inst() + "/" + stem(m) + ".BAK") == old_[m]) << m;
            }
            EXPECT_FALSE(fs::exists(UpdateWorkFolder(inst())));
            EXPECT_EQ(fixture::namesIn(inst()).size(), 12u);
        }
    }
}

// A master file that is gone while its ".BAK" holds the data (an install of an older version
// killed between the two renames) comes back from the ".BAK" at the start; the ".BAK" stays,
// and no empty master file is made over it.
TEST_F(InstallKillTest, AMissingMasterFileComesBackFromItsBackupAtTheStart) {
    prepare();
    fs::remove_all(UpdateWorkFolder(inst()));
    fs::rename(inst() + "/MAIN.TPS", inst() + "/MAIN.BAK");
    fs::rename(inst() + "/DISCS.TPS", inst() + "/DISCS.BAK");
    // What a copy killed half-way leaves, and a host's file of a like name.
    writeText(inst() + "/.MAIN.TPS.tmpk3x9q2ab", "half a copy");
    writeText(inst() + "/.MAIN.TPS.tmp-notes", "the host's own");
    const std::vector<std::string> said = restart();
    EXPECT_FALSE(fs::exists(inst() + "/.MAIN.TPS.tmpk3x9q2ab"));
    EXPECT_TRUE(fs::exists(inst() + "/.MAIN.TPS.tmp-notes"));
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("MAIN.TPS was missing and has been put back from MAIN.BAK."), std::string::npos) << said[0];
    EXPECT_NE(said[0].find("DISCS.TPS was missing and has been put back from DISCS.BAK."), std::string::npos) << said[0];
    for (const char* m : {"MAIN", "DISCS"}) {
        EXPECT_TRUE(readText(inst() + "/" + m + ".TPS") == old_[std::string(m) + ".TPS"]) << m;
        EXPECT_TRUE(readText(inst() + "/" + m + ".BAK") == old_[std::string(m) + ".TPS"]) << m;
    }
    EXPECT_TRUE(restart().empty()) << "said again at the next start";
}

}  // namespace
