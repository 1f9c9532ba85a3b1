// Two users update one profile, root and an unprivileged one, as a
// deployment tool and an administrator would: the lock is the machine's, so
// when they meet one of them ends 10 and touches nothing, no update is lost,
// and a lock file that one of them made never locks the other out. Both with
// fs.protected_regular at 0, as on test machines, and at 2, as Debian sets it
// at boot, where O_CREAT on another user's file in a sticky folder is refused
// even to root.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/profile_lock.h"
#include "platform/text.h"
#include "support/file_contents.h"
#include "support/profile_builder.h"
#include "support/scoped_environment.h"
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

// Sets fs.protected_regular while it lives and puts the old value back
// however the test ends.
class ProtectedRegular {
public:
    explicit ProtectedRegular(int value) {
        if (!Read(m_old)) {
            m_why = std::string("cannot read ") + kPath + ": " + std::strerror(errno);
        } else if (!Write(value)) {
            m_why = std::string("cannot write ") + kPath + ": " + std::strerror(errno);
        } else {
            m_set = true;
        }
    }
    ~ProtectedRegular() {
        if (m_set) Write(m_old);
    }
    ProtectedRegular(const ProtectedRegular&) = delete;
    ProtectedRegular& operator=(const ProtectedRegular&) = delete;

    bool Set() const { return m_set; }
    const std::string& Why() const { return m_why; }

private:
    static constexpr const char* kPath = "/proc/sys/fs/protected_regular";
    static bool Read(int& value) { return static_cast<bool>(std::ifstream(kPath) >> value); }
    static bool Write(int value) { return static_cast<bool>(std::ofstream(kPath) << value << std::flush); }

    int m_old = 0;
    bool m_set = false;
    std::string m_why;
};

int StatusOf(pid_t pid) {
    int raw = 0;
    if (waitpid(pid, &raw, 0) != pid) return -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Takes the profile's lock as `uid` in a process of its own and lets it go:
// what a run of that user that changes nothing leaves. 0 when it was taken.
int LockOnceAs(uid_t uid, const std::string& profile) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgid(uid) != 0 || setuid(uid) != 0) _exit(126);
        ProcessLock lock;
        _exit(LockProfile(Utf8ToUtf16(profile).c_str(), lock) == ProcessLock::Outcome::Acquired ? 0 : 1);
    }
    return StatusOf(pid);
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

class ProfileLockAcrossUsers : public ::testing::TestWithParam<int> {};

TEST_P(ProfileLockAcrossUsers, NeitherUserLocksTheOtherOutAndAtOnceNoUpdateIsLost) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root, to run the second update as user nobody";
    const int protectedRegular = GetParam();
    ProtectedRegular setting(protectedRegular);
    if (!setting.Set()) {
        RecordProperty("protected_regular", "not set: " + setting.Why());
        std::printf("fs.protected_regular=%d not tried: %s\n", protectedRegular, setting.Why().c_str());
        GTEST_SKIP() << "fs.protected_regular cannot be set to " << protectedRegular << ": " << setting.Why();
    }
    TempFolder folder;
    ASSERT_EQ(chmod(folder.Path().c_str(), 0777), 0);
    for (const char* who : {"root", "user", "locks"}) {
        const fs::path sub = folder.Path() / who;
        fs::create_directories(sub);
        ASSERT_EQ(chmod(sub.c_str(), 0755), 0);
    }
    // The machine's lock folder as /run/lock is (root's, sticky, open to
    // all), of this test's own: the profile's lock file is the one file in it.
    const fs::path locks = folder.Path() / "locks";
    ASSERT_EQ(chmod(locks.c_str(), 01777), 0);
    ScopedEnvironment lockFolder("QUILLON_LOCK_DIR", locks.c_str());
    const std::string profile = folder / "P.ppr";
    auto start = [&] {
        TestProfile base;
        base.media = {MakeNamed(u"Base", 1, 1, 2)};
        return WriteFileBytes(profile, base.FileImage()) && chmod(profile.c_str(), 0666) == 0;
    };

    // A run of user nobody that changes nothing makes the lock file; root's
    // update after it still takes the lock.
    ASSERT_TRUE(start());
    ASSERT_EQ(LockOnceAs(kNobody, profile), 0);
    const std::vector<fs::directory_entry> lockFiles{fs::directory_iterator(locks), fs::directory_iterator()};
    ASSERT_EQ(lockFiles.size(), 1u);
    struct stat lockFile {};
    ASSERT_EQ(lstat(lockFiles[0].path().c_str(), &lockFile), 0);
    EXPECT_EQ(lockFile.st_uid, kNobody);
    ASSERT_TRUE(WriteFileText(folder / "root/P.SCR", Script("AfterNobody")));
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    const pid_t afterNobody = StartApply(0, gate, folder / "root/P.SCR", profile);
    close(gate[0]);
    close(gate[1]);
    EXPECT_EQ(StatusOf(afterNobody), 0);
    EXPECT_TRUE(Has(ReadFileBytes(profile), "AfterNobody"));

    // Both at once, again and again.
    constexpr int kTrials = 40;
    int lost = 0, contended = 0, wrongLoser = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        ASSERT_TRUE(start());
        const std::string rootMedia = "Root" + std::to_string(trial), userMedia = "User" + std::to_string(trial);
        ASSERT_TRUE(WriteFileText(folder / "root/P.SCR", Script(rootMedia)));
        ASSERT_TRUE(WriteFileText(folder / "user/P.SCR", Script(userMedia)));

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
    std::printf("fs.protected_regular=%d: %d of %d trials met at the lock\n", protectedRegular, contended, kTrials);
}

INSTANTIATE_TEST_SUITE_P(ProtectedRegular, ProfileLockAcrossUsers, ::testing::Values(0, 2),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });
