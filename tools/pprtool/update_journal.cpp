#include "tools/pprtool/update_journal.h"

#include <algorithm>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "engine/profile_lock.h"
#include "platform/digest.h"
#include "platform/replace_file.h"
#include "platform/text.h"
#include "tools/pprtool/backup.h"
#include "tools/pprtool/profile_data.h"

namespace fs = std::filesystem;

namespace {

constexpr char kPrefix[] = "update-journal-";
constexpr char kSuffix[] = ".json";

// The number of a journal's file name; 0 for any other name.
unsigned long JournalNumber(const std::string& name) {
    const std::size_t prefix = sizeof kPrefix - 1, suffix = sizeof kSuffix - 1;
    if (name.size() <= prefix + suffix || !name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return 0;
    const std::string digits = name.substr(prefix, name.size() - prefix - suffix);
    if (digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    return std::stoul(digits);
}

// The highest journal number in the folder; 0 when it holds none.
unsigned long LatestNumber(const std::string& folder) {
    unsigned long latest = 0;
    std::error_code failed;
    for (fs::directory_iterator it(PathOf(folder), failed), end; !failed && it != end; it.increment(failed))
        latest = std::max(latest, JournalNumber(Utf8Path(it->path().filename())));
    return latest;
}

std::string JournalPath(const std::string& folder, unsigned long number) {
    return Utf8Path(PathOf(folder) / PathOf(kPrefix + std::to_string(number) + kSuffix));
}

}  // namespace

std::string KitDigest(const std::string& kit) {
    std::vector<fs::path> files;
    std::error_code failed;
    for (fs::directory_iterator it(PathOf(kit) / "prof", failed), end; !failed && it != end; it.increment(failed))
        if (it->is_regular_file(failed)) files.push_back(it->path());
    if (failed) return {};
    std::sort(files.begin(), files.end());
    std::string all;
    for (const fs::path& file : files) {
        std::vector<uint8_t> bytes;
        if (!ReadWholeFile(Utf8Path(file), bytes)) return {};
        all += Utf8Path(file.filename()) + '\0' + std::to_string(bytes.size()) + '\0';
        all.append(bytes.begin(), bytes.end());
    }
    return Sha256Hex(all.data(), all.size());
}

ProcessLock::Outcome UpdateJournal::Lock(const std::string& folder) {
    // The journals' lock is named after a path in the folder, as a profile's is.
    return LockProfile(Utf8ToUtf16(Utf8Path(PathOf(folder) / "update-journal")).c_str(), m_lock);
}

bool UpdateJournal::OpenLatest(const std::string& folder, std::string& error) {
    m_folder = folder;
    m_entries.clear();
    const unsigned long latest = LatestNumber(folder);
    if (latest == 0) {
        m_path.clear();
        return true;
    }
    m_path = JournalPath(folder, latest);
    std::vector<uint8_t> bytes;
    try {
        if (!ReadWholeFile(m_path, bytes)) throw std::runtime_error("cannot open the file");
        const nlohmann::json journal = nlohmann::json::parse(bytes.begin(), bytes.end());
        m_kit = journal.at("kit").get<std::string>();
        m_kitDigest = journal.at("kitDigest").get<std::string>();
        m_bReloadPending = journal.value("reloadPending", false);
        for (const nlohmann::json& p : journal.at("profiles"))
            m_entries.push_back({p.at("printer").get<std::string>(), p.at("profile").get<std::string>(),
                                 Utf8Path(PathOf(folder) / PathOf(p.at("backup").get<std::string>())),
                                 p.at("written").get<std::string>(), p.at("rolledBack").get<bool>()});
    } catch (const std::exception& e) {
        error = m_path + " cannot be read as an update journal: " + e.what();
        return false;
    }
    return true;
}

bool UpdateJournal::OpenForKit(const std::string& folder, const std::string& kit, std::string& error) {
    const std::string digest = KitDigest(kit);
    if (!OpenLatest(folder, error)) return false;
    if (!m_path.empty() && m_kitDigest == digest) return true;
    // Another kit, or none yet: the next journal, written once there is something in it.
    m_path = JournalPath(folder, LatestNumber(folder) + 1);
    std::error_code failed;
    m_kit = Utf8Path(fs::absolute(PathOf(kit), failed));
    m_kitDigest = digest;
    m_bReloadPending = false;
    m_entries.clear();
    return true;
}

void UpdateJournal::RecordWrite(const std::string& printer, const std::string& profile, const std::string& backup,
                                const std::string& written) {
    auto found = std::find_if(m_entries.begin(), m_entries.end(),
                              [&](const JournalEntry& entry) { return entry.profile == profile; });
    if (found == m_entries.end()) {
        m_entries.push_back({printer, profile, backup, written, false});
        return;
    }
    found->written = written;
    if (found->rolledBack) {
        found->backup = backup;
        found->rolledBack = false;
    }
}

bool UpdateJournal::Save(std::string& error) {
    nlohmann::ordered_json profiles = nlohmann::ordered_json::array();
    for (const JournalEntry& entry : m_entries)
        profiles.push_back({{"printer", entry.printer},
                            {"profile", entry.profile},
                            {"backup", Utf8Path(PathOf(entry.backup).filename())},
                            {"written", entry.written},
                            {"rolledBack", entry.rolledBack}});
    const nlohmann::ordered_json journal = {
        {"kit", m_kit}, {"kitDigest", m_kitDigest}, {"reloadPending", m_bReloadPending}, {"profiles", profiles}};
    const std::string text = journal.dump(2) + "\n";
    FileReplacement file;
    if (!file.Open(Utf8ToUtf16(m_path).c_str()) || !file.Write(text.data(), text.size()) || !file.Commit()) {
        error = "cannot write the update journal " + m_path;
        return false;
    }
    return true;
}
