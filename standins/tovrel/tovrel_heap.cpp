// The library's allocator is the C runtime's: the program frees with either.
#include <cstdlib>

#include "devlib/tovrel.h"

extern "C" void* RIPmalloc(std::size_t size) { return std::malloc(size); }

extern "C" void RIPfree(void* block) { std::free(block); }
