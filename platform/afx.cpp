#include "platform/afx.h"

#include <cstdio>
#include <string>

#include "platform/text.h"

// --- CString ---

int CString::CompareNoCase(std::u16string_view other) const { return ::CompareNoCase(m_text, other); }

int CString::Compare(std::u16string_view other) const { return std::u16string_view(m_text).compare(other); }

CString& CString::Trim() {
    m_text = std::u16string(TrimWideSpace(m_text));
    return *this;
}

CString& CString::TrimLeft() {
    std::size_t first = 0;
    while (first < m_text.size() && IsWideSpace(m_text[first])) ++first;
    m_text.erase(0, first);
    return *this;
}

CString& CString::TrimRight() {
    std::size_t end = m_text.size();
    while (end > 0 && IsWideSpace(m_text[end - 1])) --end;
    m_text.erase(end);
    return *this;
}

int CString::Find(char16_t unit, int start) const {
    if (start < 0) start = 0;
    if (start >= GetLength()) return -1;
    const std::size_t at = m_text.find(unit, static_cast<std::size_t>(start));
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char16_t unit) const {
    const std::size_t at = m_text.rfind(unit);
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

// Out-of-range arguments are clamped, as the framework's string does.
CString CString::Left(int count) const { return Mid(0, count); }

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
    if (first < 0) first = 0;
    if (count < 0) count = 0;
    if (first >= GetLength()) return CString();
    return CString(m_text.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(count)));
}

// --- Resources ---

namespace {

const ResourceSource* g_resources = nullptr;

}  // namespace

void SetResources(const ResourceSource* resources) { g_resources = resources; }

const ResourceSource* Resources() { return g_resources; }

CString LoadResString(unsigned id) { return g_resources ? g_resources->String(id) : CString(); }

// --- Message boxes ---

namespace {

MessageHost* g_messageHost = nullptr;  // null: the platform's own

constexpr unsigned kIconMask = 0xF0;  // the icon bits of a style
constexpr int kIdOk = 1;

class TerminalHost : public MessageHost {
public:
    int ShowMessage(HostWindow, const CString& text, const CString& caption, unsigned style) override {
        // A message stays on one line so that a log reader sees one entry per
        // box: the line breaks inside a text become blanks.
        std::u16string flat = text.Str();
        for (char16_t& unit : flat) {
            if (unit == u'\n' || unit == u'\r') unit = u' ';
        }
        const std::string line = Utf16ToUtf8(caption.Str()) + ": " + Utf16ToUtf8(flat) + "\n";
        std::FILE* stream = (style & kIconMask) == kMbIconInformation ? stdout : stderr;
        std::fwrite(line.data(), 1, line.size(), stream);
        std::fflush(stream);
        return kIdOk;
    }
};

}  // namespace

MessageHost& CurrentMessageHost() { return g_messageHost ? *g_messageHost : PlatformMessageHost(); }

void SetMessageHost(MessageHost* host) { g_messageHost = host; }

int ShowMessageBox(HostWindow owner, const CString& text, const CString& caption, unsigned style) {
    return CurrentMessageHost().ShowMessage(owner, text, caption, style);
}

MessageHost& TerminalMessageHost() {
    static TerminalHost host;
    return host;
}
