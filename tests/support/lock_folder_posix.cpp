// The profiles' machine-wide locks of a test run go into a folder of the
// run's own, removed at its end, rather than into /run/lock, which would keep
// a lock file for every profile any test ever updated. The folder is open to
// all, as /run/lock is, for the tests that update as another user; programs
// the tests start inherit the variable.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class TestLockFolder {
public:
    TestLockFolder() {
        if (std::getenv("QUILLON_LOCK_DIR") != nullptr) return;
        std::error_code error;
        const auto folder =
            std::filesystem::temp_directory_path(error) / ("quillon-test-locks-" + std::to_string(getpid()));
        if (error || !std::filesystem::create_directory(folder, error) || chmod(folder.c_str(), 01777) != 0) return;
        m_folder = folder.string();
        setenv("QUILLON_LOCK_DIR", m_folder.c_str(), 1);
    }
    ~TestLockFolder() {
        std::error_code ignored;
        if (!m_folder.empty()) std::filesystem::remove_all(m_folder, ignored);
    }

private:
    std::string m_folder;
};

const TestLockFolder g_lockFolder;

}  // namespace
