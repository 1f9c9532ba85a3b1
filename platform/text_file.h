// Reads a CP932 text file line by line the way fgetws does on a file opened
// in text mode, except that a line is always handed out whole: CR LF reads as
// LF (a CR not followed by LF stays), a Ctrl-Z byte (0x1A) ends the file, and
// a line of any length comes as one line, so that a long line never turns
// into several. Characters decode as Cp932ToUtf16 decodes them, and the
// reader tells whether a line held a byte sequence that is not CP932; a NUL
// byte reads as U+0000 within the line.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

class TextFileReader {
public:
    TextFileReader() = default;
    TextFileReader(const TextFileReader&) = delete;
    TextFileReader& operator=(const TextFileReader&) = delete;
    ~TextFileReader();

    // Opens the file at the UTF-16 path (closing any file open before); false
    // when it cannot be opened.
    bool Open(const char16_t* path);

    // Reads the next line, whole, with its line feed if it had one, into
    // `line`; false, with `line` empty, at the end of the file or when no
    // file is open.
    bool ReadLine(std::u16string& line);

    // Returns true once reading the file failed: ReadLine then reports the
    // end of the file, which was not reached.
    bool Failed() const { return m_failed; }

    // Returns false when the line last read held a byte sequence that is not
    // CP932 (it decoded to U+FFFD there).
    bool LineIsCp932() const { return m_lineIsCp932; }

    // Returns the bytes of the line last read, as read (CR LF already LF).
    const std::string& LineBytes() const { return m_lineBytes; }

    // Closes the file; safe to call twice.
    void Close();

private:
    int NextByte();
    int RawByte();

    std::FILE* m_file = nullptr;
    // The file is read in large blocks; m_next and m_filled index the block.
    std::unique_ptr<char[]> m_block;
    std::size_t m_next = 0;
    std::size_t m_filled = 0;
    bool m_ended = false;
    bool m_failed = false;
    bool m_lineIsCp932 = true;
    std::string m_lineBytes;
    int m_pending = -1;  // a raw byte read ahead after a CR
};
