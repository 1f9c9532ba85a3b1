// The small application framework the program is written against: the
// string class, the growable string array, string resources and message
// boxes shown through a host (Win32 dialogs, the terminal, or a test fake).
#pragma once

#include <string>
#include <string_view>
#include <vector>

// UTF-16 string with the operations of the framework's CString that the
// program uses. Comparisons without case and trimming follow platform/text.h.
class CString {
public:
    CString() = default;
    CString(const char16_t* text) : m_text(text ? text : u"") {}
    CString(std::u16string_view text) : m_text(text) {}
    CString(std::u16string text) : m_text(std::move(text)) {}

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    const char16_t* GetString() const { return m_text.c_str(); }
    operator const char16_t*() const { return m_text.c_str(); }
    const std::u16string& Str() const { return m_text; }
    char16_t GetAt(int index) const { return m_text[static_cast<std::size_t>(index)]; }

    // Compares without regard to letter case: <0, 0 or >0.
    int CompareNoCase(std::u16string_view other) const;
    // Compares unit by unit: <0, 0 or >0.
    int Compare(std::u16string_view other) const;

    // Removes white space (the wide white-space class) from the ends.
    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();

    // Index of the first / last occurrence of `unit`, or -1.
    int Find(char16_t unit, int start = 0) const;
    int ReverseFind(char16_t unit) const;

    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;

    CString& operator+=(std::u16string_view more) {
        m_text += more;
        return *this;
    }
    CString& operator+=(char16_t unit) {
        m_text += unit;
        return *this;
    }
    friend CString operator+(const CString& a, std::u16string_view b) { return CString(a.m_text + std::u16string(b)); }
    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const char16_t* b) { return a.m_text == (b ? b : u""); }

private:
    std::u16string m_text;
};

// Growable array of strings.
class CStringArray {
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }
    int GetCount() const { return GetSize(); }
    void RemoveAll() { m_items.clear(); }
    int Add(const CString& item) {
        m_items.push_back(item);
        return GetSize() - 1;
    }
    const CString& GetAt(int index) const { return m_items[static_cast<std::size_t>(index)]; }
    const CString& operator[](int index) const { return GetAt(index); }

private:
    std::vector<CString> m_items;
};

// The program's resources as the framework sees them: its string table and
// the texts of its dialog templates. The program supplies them (res/); the
// framework never knows their content.
struct DialogControlText {
    int id;                    // -1 for a static control without an identifier
    std::u16string_view kind;  // the control's class: "Button", "ListBox", "Static"
    std::u16string_view text;
};

struct DialogTemplateText {
    unsigned id = 0;
    std::u16string_view caption;
    std::vector<DialogControlText> controls;  // in template order
};

class ResourceSource {
public:
    virtual ~ResourceSource() = default;
    // The string `id`, or an empty string when the table has none.
    virtual CString String(unsigned id) const = 0;
    // The texts of dialog template `id`; null when there is no such template.
    virtual const DialogTemplateText* Dialog(unsigned id) const = 0;
};

// Makes `resources` the program's resources (null: none).
void SetResources(const ResourceSource* resources);

// Returns the program's resources; null until they are set.
const ResourceSource* Resources();

// Loads a string of the string table by its identifier (res/resource.h);
// an unknown identifier, or no resources, gives an empty string.
CString LoadResString(unsigned id);

// Message box styles, with the platform's values.
constexpr unsigned kMbOk = 0x00;
constexpr unsigned kMbIconHand = 0x10;
constexpr unsigned kMbIconExclamation = 0x30;
constexpr unsigned kMbIconInformation = 0x40;

// A window of the host, or null for none.
using HostWindow = void*;

// Shows message boxes. The program has one current host.
class MessageHost {
public:
    virtual ~MessageHost() = default;
    // Shows `text` with `caption` and `style`, owned by `owner` (may be null);
    // returns the button pressed (1 for OK).
    virtual int ShowMessage(HostWindow owner, const CString& text, const CString& caption, unsigned style) = 0;
};

// Returns the current host: the platform's own unless one was set.
MessageHost& CurrentMessageHost();

// Makes `host` the current host; null restores the platform's own.
void SetMessageHost(MessageHost* host);

// Shows a message box through the current host.
int ShowMessageBox(HostWindow owner, const CString& text, const CString& caption, unsigned style);

// Returns the platform's own host (Windows: real message boxes; POSIX: the
// terminal, "<caption>: <text>" on one line, the information icon on stdout
// and the others on stderr).
MessageHost& PlatformMessageHost();

// Returns the terminal host: prints "<caption>: <text>" as one UTF-8 line
// (line breaks inside the text become blanks), to stdout for the information
// icon and to stderr for every other style; answers OK.
MessageHost& TerminalMessageHost();
