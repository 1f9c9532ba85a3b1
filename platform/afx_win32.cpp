#include "platform/afx.h"

#include <windows.h>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 text is handed to the API as it is");

namespace {

class Win32MessageHost : public MessageHost {
public:
    int ShowMessage(HostWindow owner, const CString& text, const CString& caption, unsigned style) override {
        return MessageBoxW(static_cast<HWND>(owner), reinterpret_cast<const wchar_t*>(text.GetString()),
                           reinterpret_cast<const wchar_t*>(caption.GetString()), style);
    }
};

}  // namespace

MessageHost& PlatformMessageHost() {
    static Win32MessageHost host;
    return host;
}
