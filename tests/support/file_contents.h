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

// Makes a file read-only the platform's way: on POSIX no one may write it, on
// Windows it gets the read-only attribute. False on failure.
bool MakeReadOnly(const std::filesystem::path& path);

// Gives the file to another user where the test can (POSIX, run as root), so
// that an update must carry its owner over; does nothing elsewhere.
void GiveToAnotherUser(const std::filesystem::path& path);
