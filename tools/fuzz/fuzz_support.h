// What the fuzz targets share: a scratch file for the input and a message
// host that shows nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Returns the path of a scratch file of this process that holds `data`.
std::u16string WriteScratchFile(const char* name, const uint8_t* data, std::size_t size);

// Makes message boxes silent for the rest of the run.
void SilenceMessages();
