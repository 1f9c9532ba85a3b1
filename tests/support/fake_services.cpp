#include "support/fake_services.h"

#include <cstdio>

#include "platform/text.h"

FakeServices* FakeServices::s_current = nullptr;

namespace {

std::string Text(const char16_t* text) { return text ? Utf16ToUtf8(text) : "null"; }

std::string Hex(uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(value));
    return buffer;
}

}  // namespace

FakeServices::FakeServices()
    : m_calls{&FakeServices::OpenServiceManager, &FakeServices::OpenManagedService,
              &FakeServices::ControlManagedService, &FakeServices::CloseManagedHandle} {
    s_current = this;
    SetServices(&m_calls);
}

FakeServices::~FakeServices() {
    SetServices(nullptr);
    s_current = nullptr;
}

std::string FakeServices::NameOf(ServiceHandle handle) {
    if (!handle) return "null";
    if (handle == ManagerHandle()) return "manager";
    if (handle == ServiceHandleOf()) return "service";
    return "other";
}

ServiceHandle FakeServices::OpenServiceManager(const char16_t* machine, const char16_t* database, uint32_t access) {
    FakeServices& fake = *s_current;
    fake.calls.push_back("open manager " + Text(machine) + " " + Text(database) + " " + Hex(access));
    return fake.managerFails ? nullptr : fake.ManagerHandle();
}

ServiceHandle FakeServices::OpenManagedService(ServiceHandle manager, const char16_t* name, uint32_t access) {
    FakeServices& fake = *s_current;
    fake.calls.push_back("open service " + fake.NameOf(manager) + " " + Text(name) + " " + Hex(access));
    return fake.serviceFails ? nullptr : fake.ServiceHandleOf();
}

int FakeServices::ControlManagedService(ServiceHandle service, uint32_t control, ServiceStatus* status) {
    FakeServices& fake = *s_current;
    fake.calls.push_back("control " + fake.NameOf(service) + " " + Hex(control));
    fake.statusGiven = status != nullptr;
    return fake.controlRefused ? 0 : 1;
}

int FakeServices::CloseManagedHandle(ServiceHandle handle) {
    FakeServices& fake = *s_current;
    fake.calls.push_back("close " + fake.NameOf(handle));
    return handle ? 1 : 0;
}
