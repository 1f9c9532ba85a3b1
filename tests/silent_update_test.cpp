// The silent update's own contract: the names are checked first, the step
// before the merge runs once the profile is loaded with its lock held, and
// every outcome ends with the one status both programs give it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/exit_status.h"
#include "engine/profile_lock.h"
#include "engine/silent_update.h"
#include "platform/fault_injection.h"
#include "support/fake_tovrel.h"
#include "support/file_contents.h"
#include "support/profile_builder.h"
#include "support/recording_message_host.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

TEST(UpdateProfileSilently, RunsTheStepBeforeTheMergeUnderTheLockAndEndsAsItAnswers) {
    const std::string script =
        "[Tessera PPR Version],3.0\n[QUILLON_START]\n[PPR_Index],INKTAB,2\nCyan,1F,20\nNew,A,B\n[QUILLON_END]\n";
    TestProfile profile;
    profile.header.nextInkId = 2;
    profile.inks = {MakeNamed(u"Cyan", 1, 1, 2)};
    const std::vector<uint8_t> old = profile.FileImage();

    // A script that fails and a profile that cannot be written are pinned by
    // the parser's and the writer's tests and by pprtool apply's.
    enum class Setup { None, LockHeld, LockFails, NoMemory };
    const struct {
        const char* what;
        const char* scriptName;
        const char* profileName;  // P.ppr is there, a profile; none other is
        Setup setup;
        bool answer;  // what the step before the merge answers
        SilentUpdateResult result;
        int status;
        bool asked;    // whether the step ran
        bool written;  // whether the profile changed
        const char* reason;
    } cases[] = {
        {"names differ", "Q.SCR", "P.ppr", Setup::None, true, SilentUpdateResult::ScriptFailed, 1, false, false,
         "the script and the profile have different base names"},
        {"no profile", "R.SCR", "R.ppr", Setup::None, true, SilentUpdateResult::ProfileNotLoaded, 9, false, false,
         "no such file"},
        {"lock held", "P.SCR", "P.ppr", Setup::LockHeld, true, SilentUpdateResult::ProfileBusy, 10, false, false,
         "another update of this profile is running"},
        {"lock fails", "P.SCR", "P.ppr", Setup::LockFails, true, SilentUpdateResult::ProfileBusy, 10, false, false,
         "the profile's lock cannot be taken: made to fail by a test"},
        {"step declines", "P.SCR", "P.ppr", Setup::None, false, SilentUpdateResult::Refused, 11, true, false, ""},
        {"no memory", "P.SCR", "P.ppr", Setup::NoMemory, true, SilentUpdateResult::OutOfMemory, 3, true, false, ""},
        {"step agrees", "P.SCR", "P.ppr", Setup::None, true, SilentUpdateResult::Done, 0, true, true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        FakeTovrel lib;
        ScopedRecordingHost messages;
        const fs::path profilePath = folder.Path() / c.profileName, scriptPath = folder.Path() / c.scriptName;
        ASSERT_TRUE(WriteFileText(scriptPath, script));
        ASSERT_TRUE(WriteFileBytes(folder.Path() / "P.ppr", old));
        lib.AddProfileAtPath((folder.Path() / "P.ppr").u16string(), profile);
        ProcessLock held;
        if (c.setup == Setup::LockHeld) {
            ASSERT_EQ(LockProfile(profilePath.u16string().c_str(), held), ProcessLock::Outcome::Acquired);
        }

        int asked = 0;
        ProcessLock::Outcome lockDuringStep = ProcessLock::Outcome::Acquired;
        auto beforeMerge = [&] {
            ++asked;
            ProcessLock probe;
            lockDuringStep = LockProfile(profilePath.u16string().c_str(), probe);
            // Loaded by now: the next block asked for is the merge's.
            if (c.setup == Setup::NoMemory) lib.FailRIPmallocAt(1);
            return c.answer;
        };
        WorkingData work;
        std::string reason;
        if (c.setup == Setup::LockFails) FailSite(FaultSite::Lock);
        const SilentUpdateResult result =
            UpdateProfileSilently(work, scriptPath.u16string(), profilePath.u16string(), reason, beforeMerge);
        FailOperationAt(0);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(ExitStatusOf(result), c.status);
        EXPECT_EQ(asked, c.asked ? 1 : 0);
        if (c.asked) {
            EXPECT_EQ(lockDuringStep, ProcessLock::Outcome::Busy);
        }
        EXPECT_EQ(ReadFileBytes(folder.Path() / "P.ppr") != old, c.written);
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(lib.LiveBlocks(), 0u);

        // Whatever the outcome, the update has let the profile go.
        held.Release();
        ProcessLock after;
        EXPECT_EQ(LockProfile(profilePath.u16string().c_str(), after), ProcessLock::Outcome::Acquired);
    }
}
