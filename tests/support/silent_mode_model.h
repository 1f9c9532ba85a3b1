// A second, independent account of what `quillon SCRIPT PROFILE` does to a
// profile file: it reads the script as the parser must (lines, fields, state
// machine, conversions, text limits), loads the profile as the stand-in
// library must (size matching the counts, no negative count), merges as the
// update must (match keys, consumed marks, ids, count limits) and lays out the
// file as the writer must. The differential test compares the real program's
// exit status and output bytes with it, so it is written from the described
// behaviour alone and shares no code with the engine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/profile_builder.h"

// What one silent run leaves behind.
struct SilentModeOutcome {
    int exitStatus = 0;            // 0 written or nothing to do, 1 start-up/parse failure, 2 write failure,
                                   // 9 profile not loaded
    std::vector<uint8_t> profile;  // the profile file's bytes afterwards
    std::string reason;            // a few words on the road taken ("parse failed: ...")
};

// Returns what silent mode must do with the script file bytes `script` (code
// page 932 text) and the profile file bytes `profile`, both files present and
// named with the same base name.
SilentModeOutcome ModelSilentMode(const std::string& script, const std::vector<uint8_t>& profile);

// Returns the profile file image `profile` with a script's rows (the six
// tables of `script`; its header plays no part) merged into it as the update
// must, by a plain scan for the first match; nothing when the image is no
// profile or a count would pass its limit (no file is written then).
std::optional<std::vector<uint8_t>> ModelMerge(const std::vector<uint8_t>& profile, const TestProfile& script);

// Describes where two profile file images differ, field by field (header
// fields by name, rows as "INKTAB row 3 param1"), laid out by the counts of
// `expected`; at most `maxFields` differing fields are listed.
std::string DescribeProfileDifference(const std::vector<uint8_t>& expected, const std::vector<uint8_t>& actual,
                                      int maxFields = 12);

// Returns the script bytes as UTF-8 lines with their numbers, for a failure
// report; at most `maxLines` lines.
std::string DescribeScript(const std::string& script, int maxLines = 80);
