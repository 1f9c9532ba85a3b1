// Runs a whole silent update on an input split into a script and a profile:
// the first two bytes give the script's length.
#include <cstdint>

#include "ui/quillon_dlg.h"
#include "tools/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    SilenceMessages();
    std::size_t scriptSize = static_cast<std::size_t>(data[0]) | static_cast<std::size_t>(data[1]) << 8;
    data += 2;
    size -= 2;
    if (scriptSize > size) scriptSize = size;
    const std::u16string script = WriteScratchFile("update.SCR", data, scriptSize);
    const std::u16string profile = WriteScratchFile("update.ppr", data + scriptSize, size - scriptSize);
    CQuillonDlg dlg;
    if (dlg.LoadScriptsAndProfiles(script.c_str(), profile.c_str()))
        dlg.UpdatePrinterProfiles(1);
    else
        dlg.ReleaseWorkingData();
    return 0;
}
