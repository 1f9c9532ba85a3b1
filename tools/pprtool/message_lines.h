// While pprtool runs an update through the engine, the program's message
// boxes become lines on standard error: "<prefix><caption>: <text>".
#pragma once

#include <string>
#include <utility>

#include "platform/afx.h"
#include "platform/text.h"
#include "tools/pprtool/print.h"

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

// Puts a message host in place for as long as it lives.
class ScopedMessageHost {
public:
    explicit ScopedMessageHost(MessageHost& host) { SetMessageHost(&host); }
    ~ScopedMessageHost() { SetMessageHost(nullptr); }
    ScopedMessageHost(const ScopedMessageHost&) = delete;
    ScopedMessageHost& operator=(const ScopedMessageHost&) = delete;
};
