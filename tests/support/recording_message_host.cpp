#include "support/recording_message_host.h"

int RecordingMessageHost::ShowMessage(HostWindow owner, const CString& text, const CString& caption, unsigned style) {
    m_messages.push_back(RecordedMessage{owner, text, caption, style});
    return m_answer;
}

ScopedMessageHost::ScopedMessageHost(MessageHost& host) {
    MessageHost& current = CurrentMessageHost();
    // The platform's host is restored by clearing, not by installing it.
    m_previous = &current == &PlatformMessageHost() ? nullptr : &current;
    SetMessageHost(&host);
}

ScopedMessageHost::~ScopedMessageHost() { SetMessageHost(m_previous); }
