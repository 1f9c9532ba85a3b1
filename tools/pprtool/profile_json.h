// A printer profile as one JSON document and back: every header field and
// every row by field name, parameters as "0x%08X" strings, reals in their
// shortest exact form, uninterpreted bytes in hexadecimal. Text that would
// not come back byte for byte from plain text (bytes behind its terminator,
// no terminator, characters with no round trip) is written as an object with
// "text" for reading and "hex" holding every byte, so that make(dump(p)) is p
// byte for byte.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "tools/pprtool/profile_data.h"

// Returns the document of a profile.
nlohmann::ordered_json ProfileToJson(const ProfileData& profile);

// Builds a profile from a document. Fields left out are zero; a header count,
// when given, must match its table's rows. False with a sentence naming the
// field and what was expected in `error`.
bool ProfileFromJson(const nlohmann::json& document, ProfileData& profile, std::string& error);
