// The C runtime's allocator as the program calls it for its own records
// (the script and slot arrays, the script rows, the device list): calloc,
// malloc and realloc, each a point where a test can make memory run out
// (platform/fault_injection.h). Blocks go back with std::free.
#pragma once

#include <cstddef>

void* CrtCalloc(std::size_t count, std::size_t size);
void* CrtMalloc(std::size_t size);
// As realloc: on failure (null) the old block stays as it was.
void* CrtRealloc(void* block, std::size_t size);
