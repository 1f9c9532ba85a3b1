#include "platform/text_file.h"

#include <cstring>

#include "platform/fault_injection.h"
#include "platform/files.h"
#include "platform/text.h"

// The file is read in binary and translated here as the Windows runtime's
// text mode does, so both platforms read the same lines from the same bytes.

namespace {

constexpr std::size_t kBlockSize = 64 * 1024;

}  // namespace

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
    m_next = m_filled = 0;
}

// The next byte of the file as it stands, or EOF at its end or when reading
// fails (ferror tells which).
int TextFileReader::RawByte() {
    if (m_next == m_filled) {
        if (!m_block) m_block = std::make_unique<char[]>(kBlockSize);
        m_next = 0;
        m_filled = std::fread(m_block.get(), 1, kBlockSize, m_file);
        if (m_filled == 0) return EOF;
    }
    return static_cast<unsigned char>(m_block[m_next++]);
}

int TextFileReader::NextByte() {
    if (m_file == nullptr || m_ended) return -1;
    int b = m_pending;
    m_pending = -1;
    if (b < 0) b = RawByte();
    if (b == EOF || b == 0x1A) {
        m_failed = b == EOF && std::ferror(m_file) != 0;
        m_ended = true;
        return -1;
    }
    if (b == '\r') {
        const int next = RawByte();
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
    for (;;) {
        // Ordinary bytes are taken from the block a run at a time; a CR, a
        // Ctrl-Z and the block's end go through NextByte.
        if (m_file != nullptr && !m_ended && m_pending < 0 && m_next < m_filled) {
            const char* run = m_block.get() + m_next;
            const char* end = m_block.get() + m_filled;
            const char* stop = run;
            while (stop != end && *stop != '\n' && *stop != '\r' && *stop != '\x1A') ++stop;
            bytes.append(run, stop);
            m_next += static_cast<std::size_t>(stop - run);
            if (stop != end && *stop == '\n') {
                bytes.push_back('\n');
                ++m_next;
                break;
            }
        }
        const int b = NextByte();
        if (b < 0) break;
        bytes.push_back(static_cast<char>(b));
        if (b == '\n') break;
    }
    if (bytes.empty()) return false;
    Cp932ToUtf16(bytes, line, &m_lineIsCp932);
    return true;
}
