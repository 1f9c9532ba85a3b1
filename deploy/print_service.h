// Tells the print service Varnell that the profiles have changed.
#pragma once

#include <cstdint>

// The print service's name and the control code that makes it reload.
constexpr char16_t kPrintServiceName[] = u"Varnell";
constexpr uint32_t kPrintServiceReload = 128;

// Sends control code 128 to the service "Varnell" through the service
// manager (opened with full access on this machine's active database).
// Returns 1 when the service accepted the code, 0 when the manager or the
// service cannot be opened or the service did not accept it. Every handle
// that was opened is closed, the service's before the manager's.
int NotifyPrintService();
