// A message host for tests: records every message box instead of showing it,
// and a guard that makes a host current for one scope.
#pragma once

#include <vector>

#include "platform/afx.h"

// One message box as the program asked for it.
struct RecordedMessage {
    HostWindow owner;
    CString text;
    CString caption;
    unsigned style;
};

// Records each message and answers with a fixed button (OK unless told).
class RecordingMessageHost : public MessageHost {
public:
    int ShowMessage(HostWindow owner, const CString& text, const CString& caption, unsigned style) override;

    // Returns the messages shown so far, oldest first.
    const std::vector<RecordedMessage>& Messages() const { return m_messages; }

    // Sets the button that every later message answers with.
    void SetAnswer(int button) { m_answer = button; }

private:
    std::vector<RecordedMessage> m_messages;
    int m_answer = 1;
};

// Makes `host` the current message host until the end of the scope, then
// restores the host that was current before (normally the platform's own).
class ScopedMessageHost {
public:
    explicit ScopedMessageHost(MessageHost& host);
    ~ScopedMessageHost();
    ScopedMessageHost(const ScopedMessageHost&) = delete;
    ScopedMessageHost& operator=(const ScopedMessageHost&) = delete;

private:
    MessageHost* m_previous;
};

// A recording host that is current for as long as it lives.
class ScopedRecordingHost : public RecordingMessageHost {
public:
    ScopedRecordingHost() : m_guard(*this) {}

private:
    ScopedMessageHost m_guard;
};
