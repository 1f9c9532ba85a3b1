#include "platform/text_file.h"

#include "platform/files.h"
#include "platform/text.h"
#include "platform/text_cp932.h"

// The file is read in binary and translated here as the Windows runtime's
// text mode does, so both platforms read the same lines from the same bytes.

TextFileReader::~TextFileReader() { Close(); }

bool TextFileReader::Open(const char16_t* path) {
    Close();
    if (path == nullptr) return false;
    m_file = OpenFile(path, "rb");
    return m_file != nullptr;
}

void TextFileReader::Close() {
    if (m_file != nullptr) std::fclose(m_file);
    m_file = nullptr;
    m_ended = false;
    m_pending = -1;
    m_back = -1;
}

int TextFileReader::NextByte() {
    if (m_back >= 0) {
        const int b = m_back;
        m_back = -1;
        return b;
    }
    if (m_file == nullptr || m_ended) return -1;
    int b = m_pending;
    m_pending = -1;
    if (b < 0) b = std::fgetc(m_file);
    if (b == EOF || b == 0x1A) {
        m_ended = true;
        return -1;
    }
    if (b == '\r') {
        const int next = std::fgetc(m_file);
        if (next == '\n') return '\n';
        if (next != EOF) m_pending = next;
    }
    return b;
}

bool TextFileReader::ReadLine(std::u16string& line) {
    line.clear();
    // Bytes of whole characters, counted as Cp932ToUtf16 will decode them:
    // a lead byte takes the next byte along when it can be a trail byte.
    std::string bytes;
    std::size_t characters = 0;
    while (characters < kLineUnits - 1) {
        const int b = NextByte();
        if (b < 0) break;
        bytes.push_back(static_cast<char>(b));
        ++characters;
        if (b == '\n') break;
        if (IsCp932Lead(static_cast<unsigned char>(b))) {
            const int trail = NextByte();
            if (trail >= 0 && IsCp932Trail(static_cast<unsigned char>(trail))) {
                bytes.push_back(static_cast<char>(trail));
            } else if (trail >= 0) {
                m_back = trail;  // starts the next character
            }
        }
    }
    if (bytes.empty()) return false;
    line = Cp932ToUtf16(bytes);
    return true;
}
