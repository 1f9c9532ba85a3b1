#include "tools/pprtool/messages_and_log.h"

#include <utility>

#include "platform/afx.h"
#include "platform/text.h"
#include "tools/pprtool/print.h"

namespace {

class StderrMessageHost : public MessageHost {
public:
    explicit StderrMessageHost(std::string prefix) : m_prefix(std::move(prefix)) {}
    int ShowMessage(HostWindow, const CString& text, const CString& caption, unsigned) override {
        PrintError("%s%s: %s\n", m_prefix.c_str(), Utf16ToUtf8(caption.Str()).c_str(), Utf16ToUtf8(text.Str()).c_str());
        return 1;
    }

private:
    std::string m_prefix;
};

}  // namespace

MessageLines::MessageLines(std::string prefix) : m_host(std::make_unique<StderrMessageHost>(std::move(prefix))) {
    SetMessageHost(m_host.get());
}

MessageLines::~MessageLines() { SetMessageHost(nullptr); }

MutedPrintSystemLog::MutedPrintSystemLog(bool muted) : m_calls(Tovrel()), m_muted(muted) {
    if (!m_muted) return;
    m_calls.WriteRIPLogFile = [](const char*) { return 1; };
    SetTovrel(&m_calls);
}

MutedPrintSystemLog::~MutedPrintSystemLog() {
    if (m_muted) SetTovrel(nullptr);
}
