// While pprtool runs an update through the engine, the program's message
// boxes become lines on standard error: "<prefix><caption>: <text>".
#pragma once

#include <memory>
#include <string>

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
