// make_silent_cases FOLDER FIRST LAST: writes the silent-mode cases of the
// seeds FIRST..LAST (0 or more; support/silent_mode_cases.h) as files, so
// that another build can be run on the very cases the Linux build is run on:
// FOLDER/<seed>/<script name>, FOLDER/<seed>/<profile name>, and
// FOLDER/cases.tsv, one line "<seed>\t<script name>\t<profile name>" a seed.
// Exits 0; 1 with a usage line on a wrong command line; 2 when a file cannot
// be written.

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "support/file_contents.h"
#include "support/silent_mode_cases.h"

namespace fs = std::filesystem;

namespace {

// The whole argument must be the number: "12abc" names no seed. A negative
// seed would have no theme (seed % 10 < 0).
bool ParseSeed(std::string_view text, int& seed) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, seed);
    return !text.empty() && error == std::errc() && stop == end && seed >= 0;
}

int CannotWrite(const fs::path& path) {
    std::fprintf(stderr, "make_silent_cases: cannot write %s\n", path.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int first = 0, last = 0;
    if (argc != 4 || !ParseSeed(argv[2], first) || !ParseSeed(argv[3], last) || first > last) {
        std::fprintf(stderr, "usage: make_silent_cases FOLDER FIRST LAST\n");
        return 1;
    }
    const fs::path folder = argv[1];
    std::string table;
    // Ends on `last` itself rather than past it: LAST may be the largest int.
    for (int seed = first;; ++seed) {
        const SilentModeCase c = MakeSilentModeCase(seed);
        const fs::path caseFolder = folder / std::to_string(seed);
        std::error_code error;
        fs::create_directories(caseFolder, error);
        if (error) return CannotWrite(caseFolder);
        if (!WriteFileText(caseFolder / c.scriptName, c.script)) return CannotWrite(caseFolder / c.scriptName);
        if (!WriteFileBytes(caseFolder / c.profileName, c.profile)) return CannotWrite(caseFolder / c.profileName);
        table += std::to_string(seed) + '\t' + c.scriptName + '\t' + c.profileName + '\n';
        if (seed == last) break;
    }
    if (!WriteFileText(folder / "cases.tsv", table)) return CannotWrite(folder / "cases.tsv");
    return 0;
}
