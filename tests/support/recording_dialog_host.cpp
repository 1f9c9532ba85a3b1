#include "support/recording_dialog_host.h"

#include <cstdio>

#include "platform/text.h"

namespace {

std::string Utf8(const CString& text) { return Utf16ToUtf8(text.Str()); }

}  // namespace

RecordingDialogHost::RecordingDialogHost()
    : m_previousDialogHost(&CurrentDialogHost()), m_previousMessageHost(&CurrentMessageHost()) {
    SetDialogHost(this);
    SetMessageHost(this);
}

RecordingDialogHost::~RecordingDialogHost() {
    SetDialogHost(m_previousDialogHost == &PlatformDialogHost() ? nullptr : m_previousDialogHost);
    SetMessageHost(m_previousMessageHost == &PlatformMessageHost() ? nullptr : m_previousMessageHost);
}

std::vector<std::string> RecordingDialogHost::Entries(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& entry : log)
        if (entry.compare(0, prefix.size(), prefix) == 0) found.push_back(entry);
    return found;
}

std::vector<std::string> RecordingDialogHost::ListLines(int id) const {
    std::vector<std::string> lines;
    if (m_lastMain == nullptr) return lines;
    const auto found = m_lastMain->lists.find(id);
    if (found == m_lastMain->lists.end()) return lines;
    for (const CString& line : found->second.Lines()) lines.push_back(Utf8(line));
    return lines;
}

intptr_t RecordingDialogHost::RunModal(CDialog& dialog, HostWindow) {
    log.push_back("modal " + std::to_string(dialog.GetTemplateId()));
    m_windows.push_back(std::make_unique<Window>());
    Window* window = m_windows.back().get();
    window->templateId = dialog.GetTemplateId();
    if (window->templateId == 102) m_lastMain = window;
    dialog.AttachWindow(window);
    dialog.OnInitDialog();
    while (!window->ended) {
        // Boxes over the main dialog (the About box) are closed with OK at once.
        if (window->templateId != 102) {
            dialog.OnOK();
            continue;
        }
        if (actions.empty()) {
            dialog.OnCancel();
            continue;
        }
        auto action = std::move(actions.front());
        actions.pop_front();
        action(dialog);
    }
    dialog.DetachWindow();
    return window->result;
}

void RecordingDialogHost::EndModal(HostWindow window, intptr_t result) {
    log.push_back("end " + std::to_string(result));
    static_cast<Window*>(window)->ended = true;
    static_cast<Window*>(window)->result = result;
}

HostWindow RecordingDialogHost::Control(HostWindow window, int id) {
    log.push_back("bind " + std::to_string(id));
    Window* owner = static_cast<Window*>(window);
    owner->lists.try_emplace(id, ListBoxModel(true));
    return &owner->lists.at(id);
}

bool RecordingDialogHost::HasSystemMenu(HostWindow) { return hasSystemMenu; }

void RecordingDialogHost::AppendSystemMenu(HostWindow, unsigned flags, unsigned id, const CString& text) {
    log.push_back((flags & kMfSeparator) ? std::string("menu separator")
                                         : "menu " + std::to_string(id) + " " + Utf8(text));
}

void RecordingDialogHost::DefaultSysCommand(HostWindow, unsigned id, intptr_t) {
    log.push_back("syscommand " + std::to_string(id));
}

HostIcon RecordingDialogHost::LoadAppIcon(unsigned) { return &m_icon; }

void RecordingDialogHost::SetIcon(HostWindow, HostIcon icon, bool big) {
    log.push_back(std::string("icon ") + (big ? "big" : "small") + (icon == &m_icon ? "" : " (another icon)"));
}

bool RecordingDialogHost::IsIconic(HostWindow) { return iconic; }

CRect RecordingDialogHost::ClientRect(HostWindow) { return clientRect; }

int RecordingDialogHost::SystemMetric(int index) {
    return index == kSmCxIcon ? iconWidth : index == kSmCyIcon ? iconHeight : 0;
}

intptr_t RecordingDialogHost::SendWindowMessage(HostWindow, unsigned message, uintptr_t wParam, intptr_t lParam) {
    if (message == kWmIconEraseBkgnd && wParam == reinterpret_cast<uintptr_t>(&m_paint) && lParam == 0)
        log.push_back("erase background");
    else
        log.push_back("message " + std::to_string(message));
    return 0;
}

HostPaintContext RecordingDialogHost::BeginPaint(HostWindow) { return &m_paint; }

void RecordingDialogHost::EndPaint(HostWindow, HostPaintContext) { log.push_back("end paint"); }

void RecordingDialogHost::DrawIcon(HostPaintContext context, int x, int y, HostIcon icon) {
    log.push_back("draw icon " + std::to_string(x) + " " + std::to_string(y) +
                  (context == &m_paint && icon == &m_icon ? "" : " (other context or icon)"));
}

void RecordingDialogHost::DefaultPaint(HostWindow) { log.push_back("default paint"); }

void RecordingDialogHost::StretchBitmapOver(HostWindow, int frameId, unsigned bitmapId) {
    log.push_back("stretch " + std::to_string(frameId) + " " + std::to_string(bitmapId));
}

void RecordingDialogHost::ListReset(HostWindow list) {
    log.push_back("list reset");
    static_cast<ListBoxModel*>(list)->Reset();
}

int RecordingDialogHost::ListAdd(HostWindow list, const CString& text) {
    log.push_back("list add " + Utf8(text));
    return static_cast<ListBoxModel*>(list)->Add(text);
}

int RecordingDialogHost::ListFindExact(HostWindow list, int startAfter, const CString& text) {
    return static_cast<ListBoxModel*>(list)->FindExact(startAfter, text);
}

int RecordingDialogHost::ListDelete(HostWindow list, int index) {
    log.push_back("list delete " + Utf8(static_cast<ListBoxModel*>(list)->Text(index)));
    return static_cast<ListBoxModel*>(list)->Delete(index);
}

int RecordingDialogHost::ListCount(HostWindow list) { return static_cast<ListBoxModel*>(list)->Count(); }

CString RecordingDialogHost::ListText(HostWindow list, int index) {
    return static_cast<ListBoxModel*>(list)->Text(index);
}

bool RecordingDialogHost::ActivateDialogWindow(const CString& title) {
    return runningWindowTitles.count(title.Str()) != 0;
}

void RecordingDialogHost::ShowInformation(const CString& text) { log.push_back("information " + Utf8(text)); }

void RecordingDialogHost::ReportToCaller(const CString& line) { log.push_back("report " + Utf8(line)); }

int RecordingDialogHost::ShowMessage(HostWindow owner, const CString& text, const CString& caption, unsigned style) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02x", style);
    log.push_back("message " + std::string(hex) + " " + Utf8(text));
    messageOwners.push_back(owner);
    messageCaptions.push_back(caption.Str());
    return kIdOk;
}
