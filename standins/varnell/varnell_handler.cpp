#include "standins/varnell/varnell_handler.h"

#include <cstdio>
#include <ctime>

#include "platform/files.h"

namespace {

void AppendLog(const std::u16string& logPath, uint32_t control) {
    std::FILE* log = OpenFile(logPath.c_str(), "ab");
    if (!log) return;
    char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    if (const std::tm* local = std::localtime(&now)) std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", local);
    std::fprintf(log, "%s control %u\n", stamp, static_cast<unsigned>(control));
    std::fclose(log);
}

}  // namespace

VarnellReply HandleVarnellControl(uint32_t control, const std::u16string& logPath) {
    switch (control) {
        case kControlReload:
            // A log that cannot be written does not undo the reload.
            AppendLog(logPath, control);
            return VarnellReply::Accepted;
        case kControlInterrogate: return VarnellReply::Accepted;
        case kControlStop:
        case kControlShutdown: return VarnellReply::Stopping;
        default: return VarnellReply::Refused;
    }
}

std::u16string VarnellLogPath(const std::u16string& defaultFolder) {
    std::u16string path;
    if (ReadEnvironment(u"VARNELL_LOG", path) && !path.empty()) return path;
    return defaultFolder + PathSeparator() + u"Varnell.log";
}
