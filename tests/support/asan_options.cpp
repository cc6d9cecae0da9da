// Some tests ask for impossible allocations on purpose and expect the
// library's out-of-memory error; under AddressSanitizer such a request must
// return null rather than abort the run.
extern "C" char const* __asan_default_options() {
    return "allocator_may_return_null=1";
}
