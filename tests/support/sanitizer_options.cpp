// Options of the address sanitizer for the test binary (unused otherwise).
//
// The parser's tests ask for row arrays far larger than any heap; the parser
// must see calloc return null, as the C runtime does, instead of the sanitizer
// ending the run.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
