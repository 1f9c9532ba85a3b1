#include "platform/crt_memory.h"

#include <cstdlib>

#include "platform/fault_injection.h"

void* CrtCalloc(std::size_t count, std::size_t size) {
    return InjectFault(FaultSite::Allocation) ? nullptr : std::calloc(count, size);
}

void* CrtMalloc(std::size_t size) { return InjectFault(FaultSite::Allocation) ? nullptr : std::malloc(size); }

void* CrtRealloc(void* block, std::size_t size) {
    return InjectFault(FaultSite::Allocation) ? nullptr : std::realloc(block, size);
}
