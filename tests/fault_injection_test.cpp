// Every allocation, file operation and lock of a whole update failed in turn:
// afterwards the profile is the old one byte for byte or the complete new
// one, nothing is left beside it, the library's blocks are all back (the C
// runtime's are LeakSanitizer's to check), and an update that wrote nothing
// says so.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/silent_update.h"
#include "platform/fault_injection.h"
#include "platform/text.h"
#include "support/fake_tovrel.h"
#include "support/file_contents.h"
#include "support/profile_builder.h"
#include "support/recording_message_host.h"
#include "support/scoped_environment.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

const std::string kScript =
    "[Tessera PPR Version],3.0\n[QUILLON_START]\n[PPR_Index],INKTAB,2\nCyan,1F,20\nNew,A,B\n"
    "[PPR_Index],CORRECTTAB,1\n1,1,a,b,1,1,f,,,0,0,0,0,0,0,0,0,0,0,0,0,0\n[QUILLON_END]\n";

struct Outcome {
    bool reported = false;  // the update said that something was not written
};

class UpdateUnderFaults {
public:
    explicit UpdateUnderFaults(bool silent)
        : m_silent(silent), m_runtime("XDG_RUNTIME_DIR", m_folder.Path().string().c_str()) {
        m_profile.header.nextInkId = 10;
        m_profile.inks = {MakeNamed(u"Cyan", 1, 1, 2)};
        m_profile.resolutions = {MakeResolution(720, 720, 1, 1, 0, 0)};
        fs::create_directories(m_folder.Path() / "prof");
        fs::create_directories(m_folder.Path() / "pool");
        WriteFileText(m_folder.Path() / "prof" / "P.SCR", kScript);
        m_lib.copyPool = (m_folder.Path() / "pool").u16string();
        if (silent) {
            m_lib.AddProfileAtPath(ProfilePath().u16string(), m_profile);
        } else {
            m_lib.AddDevice(u"Dev", "P");
            m_lib.AddProfile(u"P", m_profile);
        }
    }

    fs::path ProfilePath() const { return m_folder.Path() / "pool" / "P.ppr"; }
    std::vector<uint8_t> Old() const { return m_profile.FileImage(); }

    // Puts the old profile back, owned by another user where that can be
    // done, so that the owner must be carried over.
    void Reset() {
        WriteFileBytes(ProfilePath(), Old());
        GiveToAnotherUser(ProfilePath());
    }

    Outcome Run() {
        Outcome outcome;
        WorkingData work;
        if (m_silent) {
            std::string reason;
            const SilentUpdateResult result = UpdateProfileSilently(
                work, (m_folder.Path() / "prof" / "P.SCR").u16string(), ProfilePath().u16string(), reason);
            outcome.reported = result != SilentUpdateResult::Done;
        } else {
            work.m_strExeDir = (m_folder.Path() / "").u16string();
            const int loaded = work.LoadScriptsAndProfiles(u"", u"");
            const bool none = work.m_nProfileCount == 0;
            // The dialog ends at initialisation (104 or 111) on either.
            if (!loaded || none) {
                work.ReleaseWorkingData();
                outcome.reported = true;
            } else {
                outcome.reported = !work.UpdatePrinterProfiles(0) || work.m_nFailedWrites > 0;
            }
        }
        return outcome;
    }

    // Files in the pool folder other than the profile.
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_folder.Path() / "pool"))
            if (entry.path().filename() != "P.ppr") names.push_back(entry.path().filename().string());
        return names;
    }

    std::size_t LiveLibraryBlocks() const { return m_lib.LiveBlocks(); }

private:
    bool m_silent;
    TempFolder m_folder;
    ScopedEnvironment m_runtime;  // POSIX: the profile locks, private to the test
    FakeTovrel m_lib;
    ScopedRecordingHost m_messages;
    TestProfile m_profile;
};

}  // namespace

TEST(FaultInjection, EveryFailurePointOfAWholeUpdateLeavesOldOrNewAndSaysSo) {
    for (const bool silent : {true, false}) {
        SCOPED_TRACE(silent ? "silent update" : "interactive update");
        UpdateUnderFaults update(silent);
        update.Reset();
        FailOperationAt(0);
        ASSERT_FALSE(update.Run().reported);
        const int points = CountedOperations();
        const std::vector<uint8_t> fresh = ReadFileBytes(update.ProfilePath());
        ASSERT_NE(fresh, update.Old());

        std::map<std::string, int> bySite;
        int kept = 0, written = 0;
        for (int n = 1; n <= points; ++n) {
            update.Reset();
            FailOperationAt(n);
            const Outcome outcome = update.Run();
            FaultSite site = FaultSite::Allocation;
            ASSERT_TRUE(FaultInjected(&site)) << n;  // the same road is taken up to the failure
            SCOPED_TRACE(std::to_string(n) + ": " + FaultSiteName(site));
            ++bySite[FaultSiteName(site)];

            const std::vector<uint8_t> after = ReadFileBytes(update.ProfilePath());
            EXPECT_TRUE(after == update.Old() || after == fresh);
            if (after == update.Old()) {
                ++kept;
                EXPECT_TRUE(outcome.reported);
            } else {
                ++written;
            }
            EXPECT_TRUE(update.Leftovers().empty());
            EXPECT_EQ(update.LiveLibraryBlocks(), 0u);
        }
        FailOperationAt(0);
        std::string sites;
        for (const auto& [name, count] : bySite) sites += " " + name + "=" + std::to_string(count);
        std::printf("%s: %d failure points (%s), %d left the old profile, %d the new one\n",
                    silent ? "silent" : "interactive", points, sites.c_str(), kept, written);
    }
}
