// Standard output and standard error as text: the program writes UTF-8, and
// a Windows console shows its characters whatever the console's code page.
#pragma once

#include <cstddef>
#include <string_view>

enum class StandardStream { Output, Error };

// Writes UTF-8 text to standard output or standard error. Windows: to a
// console as UTF-16 through WriteConsoleW; to a file or a pipe the UTF-8
// bytes through the C runtime's stream (in its text mode, so lines end with
// CR LF there). POSIX: the bytes through the C runtime's stream.
void WriteStandardText(StandardStream stream, std::string_view text);

// Flushes the stream. Returns false when anything written to it so far was
// lost.
bool FlushStandardStream(StandardStream stream);

// Returns how many units of `text` go into one console write of at most
// `limit` units (limit >= 2): all of them when they fit, else `limit`, or one
// less where the piece would end between the two halves of a surrogate pair.
std::size_t ConsolePieceLength(std::u16string_view text, std::size_t limit);
