#include "platform/text_file.h"

#include "platform/fault_injection.h"
#include "platform/files.h"
#include "platform/text.h"

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
    m_failed = false;
    m_lineIsCp932 = true;
    m_lineBytes.clear();
    m_pending = -1;
}

int TextFileReader::NextByte() {
    if (m_file == nullptr || m_ended) return -1;
    int b = m_pending;
    m_pending = -1;
    if (b < 0) b = std::fgetc(m_file);
    if (b == EOF || b == 0x1A) {
        m_failed = b == EOF && std::ferror(m_file) != 0;
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
    m_lineIsCp932 = true;
    if (m_file != nullptr && !m_ended && InjectFault(FaultSite::Read)) {
        m_failed = m_ended = true;
        return false;
    }
    // A line feed is never the second byte of a character, so the line ends
    // at the first one; the bytes grow with the line, never beyond the file.
    std::string& bytes = m_lineBytes;
    bytes.clear();
    for (int b = NextByte(); b >= 0; b = NextByte()) {
        bytes.push_back(static_cast<char>(b));
        if (b == '\n') break;
    }
    if (bytes.empty()) return false;
    line = Cp932ToUtf16(bytes, &m_lineIsCp932);
    return true;
}
