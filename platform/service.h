// The service manager: open it, open a service by name, send the service a
// control code, close the handles. On Windows this is the service control
// manager. POSIX has none, so a stand-in takes its place:
//
//   - The manager is a folder: $SERVICE_MANAGER_ROOT, or when that is unset
//     or empty /tmp/service-manager-<uid>. No folder, no manager.
//   - A service is installed when the folder holds the file "<name>.service";
//     names compare without regard to letter case, as Windows service names do.
//   - A running service listens on the Unix-domain socket "<name>.sock" in
//     that folder. A control code goes to it as the line "control <code>\n";
//     it answers "accepted\n" or "refused\n". A service that is installed but
//     has no socket, or none that answers, is not running.
//
// The outcomes map one to one: no manager -> OpenServiceManager fails; not
// installed -> OpenManagedService fails; installed but not running, or the
// service refuses the code -> ControlManagedService fails; running and
// accepting -> success.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The access rights the program asks for, with the platform's values.
constexpr uint32_t kManagerAllAccess = 0xF003F;  // SC_MANAGER_ALL_ACCESS
constexpr uint32_t kServiceAllAccess = 0xF01FF;  // SERVICE_ALL_ACCESS

// A handle of the manager or of a service; null for none.
struct ServiceObject;
using ServiceHandle = ServiceObject*;

// The service's reply to a control code (SERVICE_STATUS, field for field).
struct ServiceStatus {
    uint32_t serviceType;
    uint32_t currentState;
    uint32_t controlsAccepted;
    uint32_t win32ExitCode;
    uint32_t serviceSpecificExitCode;
    uint32_t checkPoint;
    uint32_t waitHint;
};

// Service states as ServiceStatus::currentState gives them.
constexpr uint32_t kServiceStopped = 1;
constexpr uint32_t kServiceRunning = 4;

// Opens the manager of `machine` (null: this one) with the services database
// `database` (null: the active one). Returns null on failure.
ServiceHandle OpenServiceManager(const char16_t* machine, const char16_t* database, uint32_t access);

// Opens the service `name` of an open manager. Returns null on failure.
ServiceHandle OpenManagedService(ServiceHandle manager, const char16_t* name, uint32_t access);

// Sends `control` to an open service and fills `status` with its reply.
// Returns non-zero when the service accepted the code.
int ControlManagedService(ServiceHandle service, uint32_t control, ServiceStatus* status);

// Closes a handle of the manager or of a service. Returns non-zero on
// success; a null handle fails.
int CloseManagedHandle(ServiceHandle handle);

// The operations above as one table, so that tests can put a fake in their place.
struct ServiceCalls {
    decltype(&::OpenServiceManager) OpenServiceManager;
    decltype(&::OpenManagedService) OpenManagedService;
    decltype(&::ControlManagedService) ControlManagedService;
    decltype(&::CloseManagedHandle) CloseManagedHandle;
};

// Returns the table the program calls through: the platform's unless a test
// has put another in its place.
const ServiceCalls& Services();

// Makes `calls` the table the program calls through; null restores the
// platform's. The table must outlive its use.
void SetServices(const ServiceCalls* calls);

// --- The stand-in manager (POSIX only; not defined on Windows) ---

// Returns the stand-in manager's folder, without a trailing separator.
std::string StandInManagerFolder();

// Returns the path of the installation mark or of the socket of the service
// `name` in the manager folder `folder`.
std::string StandInServiceMark(const std::string& folder, const std::string& name);
std::string StandInServiceSocket(const std::string& folder, const std::string& name);

// The request line that carries `control`, and the two answers.
std::string StandInControlRequest(uint32_t control);
constexpr std::string_view kStandInAccepted = "accepted\n";
constexpr std::string_view kStandInRefused = "refused\n";

// Reads a request line (its line feed included); false when it is none.
bool ParseStandInControlRequest(std::string_view line, uint32_t& control);

// Sends all of `data` on the socket `fd`; false when it could not.
bool SendStandInText(int fd, std::string_view data);

// Receives one line of at most 64 bytes, its line feed included; false when
// none came (closed, timed out, or too long).
bool ReceiveStandInLine(int fd, std::string& line);

// Binds and listens on the Unix-domain socket at `path` (close-on-exec).
// Returns the descriptor, or -1 (path too long for a socket address, or
// the socket cannot be made).
int ListenStandInSocket(const std::string& path);

// Connects to the Unix-domain socket at `path`. Returns the descriptor, or
// -1 when nobody listens there.
int ConnectStandInSocket(const std::string& path);
