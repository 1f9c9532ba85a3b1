// A dialog and message host for tests: it runs dialogs without windows,
// records every window operation and message box in one log, keeps list
// boxes in memory, and plays a queue of user actions once a dialog is up.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/afx.h"
#include "platform/afxwin.h"
#include "platform/list_box_model.h"

class RecordingDialogHost : public DialogHost, public MessageHost {
public:
    // Makes itself the current dialog and message host while it lives.
    RecordingDialogHost();
    ~RecordingDialogHost() override;

    // What the user does once the main dialog has opened, in order. With
    // nothing left to do, it is cancelled (Esc). Any other dialog (the About
    // box) is closed with OK as soon as it is open.
    std::deque<std::function<void(CDialog&)>> actions;

    // The log, one entry per operation, in order: "modal <template>",
    // "bind <id>", "menu separator", "menu <id> <text>", "icon big",
    // "icon small", "end <result>", "list reset", "list add <text>",
    // "list delete <text>", "message <style hex> <text>", "syscommand <id>",
    // "erase background", "draw icon <x> <y>", "default paint",
    // "stretch <frame> <bitmap>", "information <text>", "report <text>";
    // texts in UTF-8.
    std::vector<std::string> log;

    // Entries of the log that start with `prefix`, in order.
    std::vector<std::string> Entries(const std::string& prefix) const;

    // The lines of the list box `id` of the last main dialog, as they stand.
    std::vector<std::string> ListLines(int id = 1000) const;

    // How the host's windows look.
    bool hasSystemMenu = true;
    bool iconic = false;
    CRect clientRect{0, 0, 300, 200};
    int iconWidth = 32, iconHeight = 32;
    std::set<std::u16string> runningWindowTitles;  // windows ActivateDialogWindow finds

    // DialogHost
    intptr_t RunModal(CDialog& dialog, HostWindow parent) override;
    void EndModal(HostWindow window, intptr_t result) override;
    HostWindow Control(HostWindow window, int id) override;
    bool HasSystemMenu(HostWindow window) override;
    void AppendSystemMenu(HostWindow window, unsigned flags, unsigned id, const CString& text) override;
    void DefaultSysCommand(HostWindow window, unsigned id, intptr_t param) override;
    HostIcon LoadAppIcon(unsigned id) override;
    void SetIcon(HostWindow window, HostIcon icon, bool big) override;
    bool IsIconic(HostWindow window) override;
    CRect ClientRect(HostWindow window) override;
    int SystemMetric(int index) override;
    intptr_t SendWindowMessage(HostWindow window, unsigned message, uintptr_t wParam, intptr_t lParam) override;
    HostPaintContext BeginPaint(HostWindow window) override;
    void EndPaint(HostWindow window, HostPaintContext context) override;
    void DrawIcon(HostPaintContext context, int x, int y, HostIcon icon) override;
    void DefaultPaint(HostWindow window) override;
    void StretchBitmapOver(HostWindow window, int frameId, unsigned bitmapId) override;
    void ListReset(HostWindow list) override;
    int ListAdd(HostWindow list, const CString& text) override;
    int ListFindExact(HostWindow list, int startAfter, const CString& text) override;
    int ListDelete(HostWindow list, int index) override;
    int ListCount(HostWindow list) override;
    CString ListText(HostWindow list, int index) override;
    bool ActivateDialogWindow(const CString& title) override;
    void ShowInformation(const CString& text) override;
    void ReportToCaller(const CString& line) override;

    // MessageHost
    int ShowMessage(HostWindow owner, const CString& text, const CString& caption, unsigned style) override;

    // The owners that message boxes had, in order (null: none).
    std::vector<HostWindow> messageOwners;
    // The captions of message boxes, in order.
    std::vector<std::u16string> messageCaptions;

private:
    struct Window {
        unsigned templateId = 0;
        bool ended = false;
        intptr_t result = 0;
        std::map<int, ListBoxModel> lists;
    };
    std::vector<std::unique_ptr<Window>> m_windows;
    Window* m_lastMain = nullptr;
    int m_icon = 0;
    int m_paint = 0;
    DialogHost* m_previousDialogHost;
    MessageHost* m_previousMessageHost;
};
