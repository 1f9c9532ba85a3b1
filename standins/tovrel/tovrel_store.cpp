#include "standins/tovrel/tovrel_store.h"

#include <cstdio>

#include "devlib/tovrel.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

// Longest device name: an entry keeps one unit for the terminator.
constexpr std::size_t kMaxDeviceNameUnits = kDeviceEntrySize / sizeof(char16_t) - 1;
// The caller converts a device name into 260 bytes, terminator included.
constexpr std::size_t kMaxDeviceNameBytes = 259;
// The printer's name and its terminator must fit behind its offset.
constexpr std::size_t kMaxPrinterNameBytes = kDevInfoSize - kDevInfoPrinterNameOffset - 1;

bool IsSeparator(char16_t c) { return c == u'/' || c == PathSeparator(); }

std::u16string FolderOf(const std::u16string& path) {
    std::size_t end = path.size();
    while (end > 0 && !IsSeparator(path[end - 1])) --end;
    while (end > 1 && IsSeparator(path[end - 1])) --end;
    return path.substr(0, end);
}

bool ReadWholeFile(const std::u16string& path, std::string& bytes) {
    std::FILE* file = OpenFile(path.c_str(), "rb");
    if (!file) return false;
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool IsBlank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

// Turns one line into a device; false for a line the library cannot answer for.
bool ParseDeviceLine(std::string_view line, StoreDevice& device) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return false;
    device.name = Utf8ToUtf16(line.substr(0, tab));
    const std::u16string printer = Utf8ToUtf16(line.substr(tab + 1));
    if (device.name.empty() || device.name.size() > kMaxDeviceNameUnits || printer.empty()) return false;
    if (!Utf16ToCp932(device.name, device.nameCp932) || device.nameCp932.size() > kMaxDeviceNameBytes) return false;
    if (!Utf16ToCp932(printer, device.printerCp932) || device.printerCp932.size() > kMaxPrinterNameBytes) return false;
    return true;
}

}  // namespace

std::u16string JoinPath(const std::u16string& folder, std::u16string_view name) {
    std::u16string path = folder;
    path += PathSeparator();
    path += name;
    return path;
}

std::u16string StoreRoot() {
    std::u16string root;
    if (ReadEnvironment(u"TOVREL_ROOT", root) && !root.empty()) {
        // A root given with a trailing separator must not double it in every path.
        while (root.size() > 1 && IsSeparator(root.back())) root.pop_back();
        return root;
    }
    std::u16string library;
    if (!ReadLibraryPath(library)) return u"printsys";
    return JoinPath(FolderOf(library), u"printsys");
}

std::u16string CopyPoolFolder() { return JoinPath(StoreRoot(), u"copypool"); }

std::vector<StoreDevice> ReadStoreDevices() {
    std::vector<StoreDevice> devices;
    std::string text;
    if (!ReadWholeFile(JoinPath(StoreRoot(), u"devices.txt"), text)) return devices;
    std::string_view rest = text;
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
    while (!rest.empty()) {
        const std::size_t eol = rest.find('\n');
        std::string_view line = rest.substr(0, eol);
        rest = eol == std::string_view::npos ? std::string_view() : rest.substr(eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (IsBlank(line) || line.front() == '#') continue;
        StoreDevice device;
        if (ParseDeviceLine(line, device)) devices.push_back(std::move(device));
    }
    return devices;
}
