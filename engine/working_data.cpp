#include "engine/working_data.h"

#include <cstdlib>

#include "devlib/tovrel.h"
#include "platform/files.h"
#include "profile/tables.h"

CString PathBaseName(const CString& path) {
    CString name = path.Mid(path.ReverseFind(PathSeparator()) + 1);
    const int dot = name.ReverseFind(u'.');
    return dot < 0 ? name : name.Left(dot);
}

const char* DescribeProfileLoad(ProfileLoad load) {
    switch (load) {
        case ProfileLoad::Loaded: return "loaded";
        case ProfileLoad::Missing: return "no such file";
        case ProfileLoad::NoAccess: return "cannot be opened for reading";
        case ProfileLoad::NotRegularFile: return "not a regular file";
        case ProfileLoad::NotAProfile: return "the print system's library cannot read it as a profile";
        case ProfileLoad::NoMemory: return "not enough memory to load it";
        case ProfileLoad::Busy: return "another update of this profile is running";
        case ProfileLoad::LockFailed: return "the profile's lock cannot be taken";
    }
    return "?";
}

ProfileLoad ProfileLoadOf(FileState state) {
    switch (state) {
        case FileState::Regular: return ProfileLoad::Loaded;
        case FileState::Missing: return ProfileLoad::Missing;
        case FileState::NotRegular: return ProfileLoad::NotRegularFile;
        case FileState::NoAccess: return ProfileLoad::NoAccess;
    }
    return ProfileLoad::NoAccess;
}

std::string DescribeProfileLoad(ProfileLoad load, const std::string& lockFailure) {
    std::string text = DescribeProfileLoad(load);
    if (load == ProfileLoad::LockFailed && !lockFailure.empty()) text += ": " + lockFailure;
    return text;
}

void WorkingData::FreeScriptTables(ScriptRecord* record) {
    for (Table table : kTablesInFileOrder) {
        std::free(ScriptRows(*record, table));
        SetScriptTable(*record, table, 0, nullptr);
    }
}

void WorkingData::ReleaseWorkingData() {
    for (int32_t i = 0; i < m_nProfileCount && m_pProfiles != nullptr; ++i) {
        ProfileHeader& header = m_pProfiles[i].header;
        bool holdsBlocks = false;
        for (Table table : kTablesInFileOrder) holdsBlocks = holdsBlocks || HeaderBlock(header, table) != nullptr;
        if (holdsBlocks) Tovrel().ClearPrinterProfileWorkArea(&header);
        for (Table table : kTablesInFileOrder) SetHeaderBlock(header, table, nullptr);
    }
    for (int32_t i = 0; i < m_nScriptCount && m_pScripts != nullptr; ++i) FreeScriptTables(&m_pScripts[i]);
    std::free(m_pScripts);
    std::free(m_pProfiles);
    m_pScripts = nullptr;
    m_pProfiles = nullptr;
    m_nScriptCount = 0;
    m_nProfileCount = 0;
    m_profileLoad = ProfileLoad::Loaded;
    m_lockFailure.clear();
    m_profileLocks.clear();
}
