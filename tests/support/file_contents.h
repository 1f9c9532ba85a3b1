// Whole-file reads and writes for tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Writes bytes to a file, replacing it; false on failure.
bool WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// Reads a whole file; empty when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);

// The same for text held in a std::string, byte for byte.
bool WriteFileText(const std::filesystem::path& path, const std::string& text);
std::string ReadFileText(const std::filesystem::path& path);
