#include "deploy/print_service.h"

#include "platform/service.h"

int NotifyPrintService() {
    const ServiceCalls& services = Services();
    const ServiceHandle manager = services.OpenServiceManager(nullptr, nullptr, kManagerAllAccess);
    if (!manager) return 0;

    int result = 0;
    const ServiceHandle service = services.OpenManagedService(manager, kPrintServiceName, kServiceAllAccess);
    if (service) {
        // The reply is not needed: acceptance alone is the result.
        ServiceStatus status{};
        result = services.ControlManagedService(service, kPrintServiceReload, &status) ? 1 : 0;
        services.CloseManagedHandle(service);
    }
    services.CloseManagedHandle(manager);
    return result;
}
