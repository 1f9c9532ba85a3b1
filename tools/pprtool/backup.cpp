#include "tools/pprtool/backup.h"

#include <ctime>

#include "platform/replace_file.h"
#include "platform/text.h"
#include "tools/pprtool/print.h"

namespace fs = std::filesystem;

namespace {

// The time stamp of a backup's name, in UTC: 20261207T154501Z.
std::string UtcStamp() {
    const std::time_t now = std::time(nullptr);
    const std::tm* utc = std::gmtime(&now);
    char text[32] = "00000000T000000Z";
    if (utc) std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", utc);
    return text;
}

}  // namespace

std::string Utf8Path(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

bool PrepareBackupFolder(const std::string& folder, std::string& error) {
    std::error_code failed;
    const fs::path path = PathOf(folder);
    if (fs::is_directory(path, failed)) return true;
    if (fs::exists(path, failed) || fs::is_symlink(path, failed)) {
        error = folder + " is not a folder";
        return false;
    }
    fs::create_directories(path, failed);
    if (fs::is_directory(path, failed)) return true;
    error = "cannot make the folder " + folder;
    return false;
}

bool WriteBackup(const std::string& folder, const std::string& profile, const std::vector<uint8_t>& bytes,
                 std::string& backup, std::string& error) {
    std::error_code failed;
    // The file name as the file system sees it (on Windows '/' separates too).
    const std::string stem = Utf8Path(PathOf(profile).stem()) + "." + UtcStamp();
    for (int n = 1; n < 1000; ++n) {
        std::string name = stem;
        if (n > 1) name.append("-").append(std::to_string(n));
        name.append(".ppr");
        const fs::path candidate = PathOf(folder) / PathOf(name);
        if (fs::exists(candidate, failed)) continue;
        backup = Utf8Path(candidate);
        FileReplacement file;
        if (!file.Open(Utf8ToUtf16(backup).c_str()) || !file.Write(bytes.data(), bytes.size()) || !file.Commit()) {
            error = "cannot write " + backup;
            return false;
        }
        return true;
    }
    error = "no free backup name for " + stem + " in " + folder;
    return false;
}

bool RemoveBackup(const std::string& backup) {
    std::error_code failed;
    if (fs::remove(PathOf(backup), failed)) return true;
    PrintError("pprtool: cannot remove %s, the backup of a profile that was not replaced\n", backup.c_str());
    return false;
}
