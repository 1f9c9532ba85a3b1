#include "tools/pprtool/pending_reload.h"

#include <filesystem>

#include "platform/replace_file.h"
#include "platform/text.h"
#include "tools/pprtool/backup.h"

namespace fs = std::filesystem;

namespace {

std::string MarkPath(const std::string& kit) { return Utf8Path(PathOf(kit) / "quillon-reload.pending"); }

}  // namespace

bool ReloadPending(const std::string& kit) {
    std::error_code failed;
    return fs::exists(PathOf(MarkPath(kit)), failed);
}

bool MarkReloadPending(const std::string& kit) {
    // Written in one step and flushed, so that it outlives a run killed right after.
    static const char kText[] = "pprtool update changed the print system; the print service has not reloaded yet\n";
    FileReplacement mark;
    return mark.Open(Utf8ToUtf16(MarkPath(kit)).c_str()) && mark.Write(kText, sizeof kText - 1) && mark.Commit();
}

bool ClearReloadPending(const std::string& kit) {
    std::error_code failed;
    fs::remove(PathOf(MarkPath(kit)), failed);
    return !failed;
}
