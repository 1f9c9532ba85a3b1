#include "platform/afx.h"

// Without a window system the terminal is where a message can be seen.
MessageHost& PlatformMessageHost() { return TerminalMessageHost(); }
