// Reads a CP932 text file line by line the way fgetws does on a file opened
// in text mode: CR LF reads as LF (a CR not followed by LF stays), a Ctrl-Z
// byte (0x1A) ends the file, and a line longer than the buffer is handed out
// in pieces. Characters decode as Cp932ToUtf16 decodes them, invalid bytes
// included; a NUL byte reads as U+0000 within the line.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

class TextFileReader {
public:
    // Units of the line buffer, terminator included: a line is handed out in
    // pieces of at most kLineUnits - 1 units, its line feed counted.
    static constexpr std::size_t kLineUnits = 1024;

    TextFileReader() = default;
    TextFileReader(const TextFileReader&) = delete;
    TextFileReader& operator=(const TextFileReader&) = delete;
    ~TextFileReader();

    // Opens the file at the UTF-16 path (closing any file open before); false
    // when it cannot be opened.
    bool Open(const char16_t* path);

    // Reads the next line (with its line feed, if it had one within the
    // buffer) into `line`; false, with `line` empty, at the end of the file
    // or when no file is open.
    bool ReadLine(std::u16string& line);

    // Closes the file; safe to call twice.
    void Close();

private:
    int NextByte();

    std::FILE* m_file = nullptr;
    bool m_ended = false;
    int m_pending = -1;  // a raw byte read ahead after a CR
    int m_back = -1;     // a translated byte read ahead after a lead byte
};
