#include "platform/service.h"

namespace {

const ServiceCalls kPlatform = {
    &::OpenServiceManager,
    &::OpenManagedService,
    &::ControlManagedService,
    &::CloseManagedHandle,
};

const ServiceCalls* g_current = &kPlatform;

}  // namespace

const ServiceCalls& Services() { return *g_current; }

void SetServices(const ServiceCalls* calls) { g_current = calls ? calls : &kPlatform; }
