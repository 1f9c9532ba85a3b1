// Feeds arbitrary bytes to the script parser as a script file.
#include <cstdint>

#include "tools/fuzz/fuzz_support.h"
#include "ui/quillon_dlg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    SilenceMessages();
    const std::u16string path = WriteScratchFile("script.SCR", data, size);
    CQuillonDlg dlg;
    ScriptRecord record{};
    dlg.ParseUpdateScript(path.c_str(), &record);
    dlg.FreeScriptTables(&record);
    return 0;
}
