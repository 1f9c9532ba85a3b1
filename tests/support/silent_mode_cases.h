// Random cases for silent mode from fixed seeds: a profile file and an update
// script that share their key values, so that rows match often, with the
// quirks or defects of the seed's theme. The differential test of silent mode
// runs them through the program and the model; make_silent_cases writes them
// to files for runs of other builds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The two files of one silent run.
struct SilentModeCase {
    std::string script;                   // the script file's bytes (code page 932 text)
    std::vector<uint8_t> profile;         // the profile file's bytes
    std::string scriptName, profileName;  // file names (UTF-8) with the same base name, letter case aside
};

// Makes the case of `seed`, the same bytes and names on every call. Every run
// of ten seeds (seed % 10) holds each theme once: four plain ones, two with
// quirks a script may have, one defective script, one table near its count
// limit, one odd profile file and one text field at or just past its length
// limit.
SilentModeCase MakeSilentModeCase(int seed);
