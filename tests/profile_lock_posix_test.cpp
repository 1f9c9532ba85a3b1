// Two users update one profile at the same moment, root and an unprivileged
// one, as a deployment tool and an administrator would: the lock is the
// machine's, so one of them ends 10 and touches nothing, and no update is lost.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/file_contents.h"
#include "support/profile_builder.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

// Starts `pprtool apply SCRIPT PROFILE` as `uid` once the parent closes the
// write end of `gate`.
pid_t StartApply(uid_t uid, const int (&gate)[2], const std::string& script, const std::string& profile) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    close(gate[1]);
    char byte;
    while (read(gate[0], &byte, 1) > 0) {
    }
    if (uid != 0 && (setgid(uid) != 0 || setuid(uid) != 0)) _exit(126);
    const std::string program = QUILLON_BIN_DIR "/pprtool";
    freopen("/dev/null", "w", stdout);
    freopen("/dev/null", "w", stderr);
    execl(program.c_str(), "pprtool", "apply", script.c_str(), profile.c_str(), static_cast<char*>(nullptr));
    _exit(127);
}

int StatusOf(pid_t pid) {
    int raw = 0;
    if (waitpid(pid, &raw, 0) != pid) return -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string Script(const std::string& media) {
    return "[Tessera PPR Version],3.0\r\n[QUILLON_START]\r\n[PPR_Index],MEDIATAB,1\r\n" + media +
           ",1,2\r\n[QUILLON_END]\r\n";
}

bool Has(const std::vector<uint8_t>& bytes, const std::string& media) {
    const std::u16string name(media.begin(), media.end());
    const std::string wanted(reinterpret_cast<const char*>(name.data()), name.size() * 2);
    return std::string(bytes.begin(), bytes.end()).find(wanted) != std::string::npos;
}

}  // namespace

TEST(ProfileLockAcrossUsers, RootAndAnotherUserAtOnceLoseNoUpdate) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root, to run the second update as user nobody";
    TempFolder folder;
    ASSERT_EQ(chmod(folder.Path().c_str(), 0777), 0);
    for (const char* who : {"root", "user"}) {
        const fs::path sub = folder.Path() / who;
        fs::create_directories(sub);
        ASSERT_EQ(chmod(sub.c_str(), 0755), 0);
    }
    const std::string profile = folder / "P.ppr";
    constexpr int kTrials = 40;
    int lost = 0, contended = 0, wrongLoser = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        TestProfile start;
        start.media = {MakeNamed(u"Base", 1, 1, 2)};
        ASSERT_TRUE(WriteFileBytes(profile, start.FileImage()));
        ASSERT_EQ(chmod(profile.c_str(), 0666), 0);
        const std::string rootMedia = "Root" + std::to_string(trial), userMedia = "User" + std::to_string(trial);
        ASSERT_TRUE(WriteFileText(folder / "root/P.SCR", Script(rootMedia)));
        ASSERT_TRUE(WriteFileText(folder / "user/P.SCR", Script(userMedia)));

        int gate[2];
        ASSERT_EQ(pipe(gate), 0);
        const pid_t asRoot = StartApply(0, gate, folder / "root/P.SCR", profile);
        const pid_t asUser = StartApply(kNobody, gate, folder / "user/P.SCR", profile);
        close(gate[0]);
        close(gate[1]);  // both go
        const int rootStatus = StatusOf(asRoot), userStatus = StatusOf(asUser);

        const std::vector<uint8_t> after = ReadFileBytes(profile);
        for (const auto& [status, media] : {std::pair{rootStatus, rootMedia}, std::pair{userStatus, userMedia}}) {
            if (status == 0 && !Has(after, media)) ++lost;
            if (status != 0 && (status != 10 || Has(after, media))) ++wrongLoser;
        }
        contended += rootStatus == 10 || userStatus == 10;
        EXPECT_TRUE(rootStatus == 0 || userStatus == 0)
            << "trial " << trial << ": " << rootStatus << ", " << userStatus;
    }
    EXPECT_EQ(lost, 0) << "updates that ended 0 but are not in the profile";
    EXPECT_EQ(wrongLoser, 0) << "updates that did not end 0 must end 10 and leave no trace";
    RecordProperty("contended", contended);
    std::printf("%d of %d trials met at the lock\n", contended, kTrials);
}
