// The print service Varnell: what it does with a control code, the same in
// the POSIX daemon (varnelld) and the Windows service (varnell.exe).
#pragma once

#include <cstdint>
#include <string>

// The service's name, under which it is installed.
constexpr char16_t kVarnellName[] = u"Varnell";

// Control codes the service handles, with the platform's values.
constexpr uint32_t kControlStop = 1;
constexpr uint32_t kControlInterrogate = 4;
constexpr uint32_t kControlShutdown = 5;
constexpr uint32_t kControlReload = 128;  // the profiles have changed

// What the host does after a control code.
enum class VarnellReply {
    Refused,   // not handled: the sender's control call fails
    Accepted,  // handled
    Stopping,  // handled, and the service ends
};

// Handles one control code: 128 appends "<local time> control 128" to the
// log at `logPath`; interrogate is accepted; stop and shutdown end the
// service; every other code is refused, as a Windows service refuses codes it
// does not handle.
VarnellReply HandleVarnellControl(uint32_t control, const std::u16string& logPath);

// Returns the log's path: $VARNELL_LOG when set and not empty, else the file
// "Varnell.log" in `defaultFolder` (given without a trailing separator).
std::u16string VarnellLogPath(const std::u16string& defaultFolder);
