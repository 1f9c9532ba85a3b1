#include "platform/terminal_dialog_host.h"

#include <map>
#include <string>
#include <vector>

#include "platform/list_box_model.h"
#include "platform/text.h"

namespace {

struct TerminalControl {
    int id = 0;
    std::u16string kind;
    ListBoxModel list;
};

struct MenuItem {
    unsigned id;
    CString text;
};

struct TerminalWindow {
    const DialogTemplateText* text = nullptr;
    std::map<int, std::unique_ptr<TerminalControl>> controls;
    std::vector<MenuItem> menu;
    bool ended = false;
    intptr_t result = 0;
};

TerminalWindow* AsWindow(HostWindow window) { return static_cast<TerminalWindow*>(window); }
TerminalControl* AsControl(HostWindow control) { return static_cast<TerminalControl*>(control); }

// A menu or button text as a terminal shows it: without its mnemonic (a
// "(&A)" after the text, or the '&' before a letter) and without a trailing "...".
std::u16string Plain(std::u16string_view text) {
    std::u16string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'(' && i + 3 < text.size() && text[i + 1] == u'&' && text[i + 3] == u')') {
            i += 3;
            continue;
        }
        if (text[i] != u'&') plain += text[i];
    }
    if (plain.size() >= 3 && plain.compare(plain.size() - 3, 3, u"...") == 0) plain.resize(plain.size() - 3);
    return plain;
}

class TerminalDialogHost : public DialogHost {
public:
    TerminalDialogHost(std::FILE* in, std::FILE* out, std::FILE* err) : m_in(in), m_out(out), m_err(err) {}

    intptr_t RunModal(CDialog& dialog, HostWindow) override {
        const ResourceSource* resources = Resources();
        const DialogTemplateText* text = resources ? resources->Dialog(dialog.GetTemplateId()) : nullptr;
        if (text == nullptr) return -1;
        TerminalWindow window;
        window.text = text;
        bool hasCancel = false;
        for (const DialogControlText& control : text->controls) {
            if (control.id == kIdCancel) hasCancel = true;
            if (control.id == -1) continue;
            auto made = std::make_unique<TerminalControl>();
            made->id = control.id;
            made->kind = control.kind;
            window.controls[control.id] = std::move(made);
        }
        dialog.AttachWindow(&window);
        dialog.OnInitDialog();
        if (!window.ended) {
            PrintDialog(window);
            if (!hasCancel) dialog.OnOK();
        }
        while (!window.ended) {
            PrintPrompt(window);
            std::string choice;
            if (!ReadChoice(choice)) {
                dialog.OnCancel();
            } else if (choice.empty() || choice == "1") {
                dialog.OnOK();
            } else if (choice == "2" || choice == "q") {
                dialog.OnCancel();
            } else if (choice == "a" && !window.menu.empty()) {
                dialog.OnSysCommand(window.menu.front().id, 0);
            }
        }
        dialog.DetachWindow();
        return window.result;
    }

    void EndModal(HostWindow window, intptr_t result) override {
        AsWindow(window)->ended = true;
        AsWindow(window)->result = result;
    }

    HostWindow Control(HostWindow window, int id) override {
        if (window == nullptr) return nullptr;
        auto found = AsWindow(window)->controls.find(id);
        return found == AsWindow(window)->controls.end() ? nullptr : found->second.get();
    }

    bool HasSystemMenu(HostWindow window) override { return window != nullptr; }

    void AppendSystemMenu(HostWindow window, unsigned flags, unsigned id, const CString& text) override {
        if (window != nullptr && (flags & kMfSeparator) == 0) AsWindow(window)->menu.push_back({id, text});
    }

    void DefaultSysCommand(HostWindow, unsigned, intptr_t) override {}

    // A terminal draws no icons; the handle only has to be a handle.
    HostIcon LoadAppIcon(unsigned) override {
        static int icon;
        return &icon;
    }
    void SetIcon(HostWindow, HostIcon, bool) override {}
    bool IsIconic(HostWindow) override { return false; }
    CRect ClientRect(HostWindow) override { return {}; }
    int SystemMetric(int) override { return 0; }
    intptr_t SendWindowMessage(HostWindow, unsigned, uintptr_t, intptr_t) override { return 0; }
    HostPaintContext BeginPaint(HostWindow) override { return nullptr; }
    void EndPaint(HostWindow, HostPaintContext) override {}
    void DrawIcon(HostPaintContext, int, int, HostIcon) override {}
    void DefaultPaint(HostWindow) override {}
    void StretchBitmapOver(HostWindow, int, unsigned) override {}

    void ListReset(HostWindow list) override {
        if (list) AsControl(list)->list.Reset();
    }
    int ListAdd(HostWindow list, const CString& text) override {
        return list ? AsControl(list)->list.Add(text) : kLbError;
    }
    int ListFindExact(HostWindow list, int startAfter, const CString& text) override {
        return list ? AsControl(list)->list.FindExact(startAfter, text) : kLbError;
    }
    int ListDelete(HostWindow list, int index) override {
        if (list == nullptr) return kLbError;
        const CString line = AsControl(list)->list.Text(index);
        const int left = AsControl(list)->list.Delete(index);
        if (left >= 0) Print(m_out, u"  updated: " + line.Str());
        return left;
    }
    int ListCount(HostWindow list) override { return list ? AsControl(list)->list.Count() : kLbError; }
    CString ListText(HostWindow list, int index) override {
        return list ? AsControl(list)->list.Text(index) : CString();
    }

    // Processes in a terminal have no windows to bring forward.
    bool ActivateDialogWindow(const CString&) override { return false; }

    void ShowInformation(const CString& text) override { Print(m_out, text.Str()); }
    void ReportToCaller(const CString& line) override { Print(m_err, line.Str()); }

private:
    static void Print(std::FILE* stream, const std::u16string& text) {
        const std::string line = Utf16ToUtf8(text) + "\n";
        std::fwrite(line.data(), 1, line.size(), stream);
        std::fflush(stream);
    }

    void PrintDialog(const TerminalWindow& window) {
        Print(m_out, u"== " + std::u16string(window.text->caption) + u" ==");
        // The texts first: the heading stands above the list.
        for (const DialogControlText& control : window.text->controls) {
            if (control.kind == u"Static" && !control.text.empty()) Print(m_out, std::u16string(control.text));
        }
        for (const DialogControlText& control : window.text->controls) {
            if (control.kind == u"ListBox") {
                const auto found = window.controls.find(control.id);
                if (found == window.controls.end()) continue;
                for (const CString& line : found->second->list.Lines()) Print(m_out, u"  " + line.Str());
            }
        }
    }

    void PrintPrompt(const TerminalWindow& window) {
        std::u16string prompt;
        for (const DialogControlText& control : window.text->controls) {
            if (control.id == kIdOk) prompt += u"Enter/1: " + Plain(control.text);
            if (control.id == kIdCancel) prompt += u"  2/q: " + Plain(control.text);
        }
        if (!window.menu.empty()) prompt += u"  a: " + Plain(window.menu.front().text.Str());
        Print(m_out, prompt);
    }

    // One line of input without its line end and surrounding blanks; false
    // at the end of the input. A line of any length and any bytes is taken
    // whole; only its first few bytes can matter.
    bool ReadChoice(std::string& choice) {
        choice.clear();
        int c = std::getc(m_in);
        if (c == EOF) return false;
        for (; c != EOF && c != '\n'; c = std::getc(m_in)) {
            if (choice.size() < 16) choice += static_cast<char>(c);
        }
        const auto first = choice.find_first_not_of(" \t\r");
        const auto last = choice.find_last_not_of(" \t\r");
        choice = first == std::string::npos ? std::string() : choice.substr(first, last - first + 1);
        return true;
    }

    std::FILE* m_in;
    std::FILE* m_out;
    std::FILE* m_err;
};

}  // namespace

std::unique_ptr<DialogHost> MakeTerminalDialogHost(std::FILE* in, std::FILE* out, std::FILE* err) {
    return std::make_unique<TerminalDialogHost>(in, out, err);
}
