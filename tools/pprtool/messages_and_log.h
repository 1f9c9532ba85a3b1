// What a run of the engine through pprtool says and leaves: the program's
// message boxes become lines on standard error ("<prefix><caption>: <text>"),
// and a dry run writes nothing to the print system's log.
#pragma once

#include <memory>
#include <string>

#include "devlib/tovrel.h"

class MessageHost;

// Puts the standard-error lines in place of message boxes for as long as it
// lives.
class MessageLines {
public:
    explicit MessageLines(std::string prefix);
    ~MessageLines();
    MessageLines(const MessageLines&) = delete;
    MessageLines& operator=(const MessageLines&) = delete;

private:
    std::unique_ptr<MessageHost> m_host;
};

// While it lives (and `muted` is true), the print system's log gets no line.
class MutedPrintSystemLog {
public:
    explicit MutedPrintSystemLog(bool muted = true);
    ~MutedPrintSystemLog();
    MutedPrintSystemLog(const MutedPrintSystemLog&) = delete;
    MutedPrintSystemLog& operator=(const MutedPrintSystemLog&) = delete;

private:
    TovrelCalls m_calls;
    bool m_muted;
};
