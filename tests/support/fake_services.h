// A service manager for tests: it records every call with its arguments and
// fails where it is told to. While it lives it is the table the program calls
// through.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/service.h"

class FakeServices {
public:
    FakeServices();
    ~FakeServices();
    FakeServices(const FakeServices&) = delete;
    FakeServices& operator=(const FakeServices&) = delete;

    // Where to fail.
    bool managerFails = false;
    bool serviceFails = false;
    bool controlRefused = false;

    // The handles the fake gives out.
    ServiceHandle ManagerHandle() { return reinterpret_cast<ServiceHandle>(&m_manager); }
    ServiceHandle ServiceHandleOf() { return reinterpret_cast<ServiceHandle>(&m_service); }

    // One line per call: "open manager <machine> <database> <access>",
    // "open service <handle> <name> <access>", "control <handle> <code>",
    // "close <handle>"; a handle reads "manager", "service" or "other",
    // a null text "null", numbers in hexadecimal.
    std::vector<std::string> calls;
    bool statusGiven = false;  // the last control call had a reply record

private:
    static FakeServices* s_current;
    static ServiceHandle OpenServiceManager(const char16_t* machine, const char16_t* database, uint32_t access);
    static ServiceHandle OpenManagedService(ServiceHandle manager, const char16_t* name, uint32_t access);
    static int ControlManagedService(ServiceHandle service, uint32_t control, ServiceStatus* status);
    static int CloseManagedHandle(ServiceHandle handle);
    std::string NameOf(ServiceHandle handle);

    ServiceCalls m_calls;
    char m_manager = 0;
    char m_service = 0;
};
