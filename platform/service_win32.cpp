#include "platform/service.h"

#include <windows.h>

static_assert(sizeof(ServiceStatus) == sizeof(SERVICE_STATUS));

namespace {

SC_HANDLE Native(ServiceHandle handle) { return reinterpret_cast<SC_HANDLE>(handle); }

ServiceHandle Ours(SC_HANDLE handle) { return reinterpret_cast<ServiceHandle>(handle); }

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

}  // namespace

ServiceHandle OpenServiceManager(const char16_t* machine, const char16_t* database, uint32_t access) {
    return Ours(OpenSCManagerW(Wide(machine), Wide(database), access));
}

ServiceHandle OpenManagedService(ServiceHandle manager, const char16_t* name, uint32_t access) {
    return Ours(OpenServiceW(Native(manager), Wide(name), access));
}

int ControlManagedService(ServiceHandle service, uint32_t control, ServiceStatus* status) {
    return ControlService(Native(service), control, reinterpret_cast<SERVICE_STATUS*>(status)) ? 1 : 0;
}

int CloseManagedHandle(ServiceHandle handle) { return CloseServiceHandle(Native(handle)) ? 1 : 0; }
