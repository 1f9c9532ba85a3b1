#include "support/dialog_state.h"

#include "platform/text.h"

void PrepareArrays(WorkingData& dlg, int scripts) {
    dlg.m_nScriptCount = scripts;
    dlg.m_nProfileCount = 0;
    dlg.m_pScripts = static_cast<ScriptRecord*>(std::calloc(scripts, sizeof(ScriptRecord)));
    dlg.m_pProfiles = static_cast<ProfileSlot*>(std::calloc(scripts, sizeof(ProfileSlot)));
}

void AddSlot(WorkingData& dlg, const std::u16string& name, const TestProfile& profile) {
    ProfileSlot& slot = dlg.m_pProfiles[dlg.m_nProfileCount++];
    CopyText(slot.name, kTextUnits, name);
    slot.header = profile.Header();
    for (Table table : kTablesInFileOrder) {
        const std::size_t bytes = static_cast<std::size_t>(HeaderCount(slot.header, table)) * RowSize(table);
        void* block = nullptr;
        if (bytes > 0) {
            block = std::malloc(bytes);
            std::memcpy(block, HeaderBlock(slot.header, table), bytes);
        }
        SetHeaderBlock(slot.header, table, block);
    }
}
