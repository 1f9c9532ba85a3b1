#include "deploy/color_files.h"

#include <string>

#include "devlib/tovrel.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

// Every path is built for a buffer of kTextUnits units, terminator included;
// a path that would not fit is never used, so nothing is cut or overrun.
bool Fits(const std::u16string& path) { return path.size() < static_cast<std::size_t>(kTextUnits); }

// The decision rests on the found file's own last extension, not on the
// extension asked for.
bool IsIcmName(const std::u16string& name) {
    const std::size_t dot = name.rfind(u'.');
    return dot != std::u16string::npos && CompareNoCase(std::u16string_view(name).substr(dot), u".icm") == 0;
}

// The library's copy-pool folder + "colprof" + separator; false when the
// library gives no usable path, so that nothing lands in a folder relative to
// the root or the current directory.
bool ColorProfileFolder(std::u16string& folder) {
    char16_t pool[kTextUnits] = {};
    if (!Tovrel().GetCopyPoolPath(pool)) return false;
    std::size_t length = 0;
    while (length < static_cast<std::size_t>(kTextUnits) && pool[length] != 0) ++length;
    if (length == 0 || length == static_cast<std::size_t>(kTextUnits)) return false;
    const char16_t sep = PathSeparator();
    folder = std::u16string(pool, length) + sep + u"colprof" + sep;
    return true;
}

}  // namespace

int FindColorFiles(const CString& exeDir, const CString& extension, std::vector<ColorFileCopy>& copies) {
    const char16_t sep = PathSeparator();
    const std::u16string sourceFolder = exeDir.Str() + u"prof" + sep;
    const std::u16string pattern = sourceFolder + u"*" + extension.Str();
    if (!Fits(pattern)) return 0;

    // Settled before the search. Without WINDIR there is no system colour
    // folder, and the files meant for it stay where they are.
    std::u16string systemFolder;
    std::u16string windir;
    if (ReadEnvironment(u"WINDIR", windir) && !windir.empty()) {
        systemFolder = windir + sep + u"system32" + sep + u"color" + sep;
        if (!Fits(systemFolder)) systemFolder.clear();
    }

    DirectorySearch search;
    if (!search.First(pattern.c_str())) return 0;
    do {
        const std::u16string& name = search.Name();
        const std::u16string sourceFile = sourceFolder + name;
        std::u16string destination;
        if (IsIcmName(name)) {
            std::u16string colorProfileFolder;
            if (!ColorProfileFolder(colorProfileFolder)) continue;
            destination = colorProfileFolder + name;
        } else {
            if (systemFolder.empty()) continue;
            destination = systemFolder + name;
        }
        if (!Fits(sourceFile) || !Fits(destination)) continue;
        copies.push_back({sourceFile, destination});
    } while (search.Next());
    search.Close();
    return 1;
}

bool CopyColorFile(const ColorFileCopy& copy) {
    // The destination is made writable even when the copy fails, since a
    // read-only file there is what makes the next update's copy fail.
    const bool copied = CopyFileReplacing(copy.source.c_str(), copy.destination.c_str());
    ClearReadOnly(copy.destination.c_str());
    return copied;
}

int CopyColorFiles(const CString& exeDir, const CString& extension) {
    std::vector<ColorFileCopy> copies;
    const int found = FindColorFiles(exeDir, extension, copies);
    for (const ColorFileCopy& copy : copies) CopyColorFile(copy);
    return found;
}
