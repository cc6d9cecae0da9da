#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Every target defines the libFuzzer entry; the replay driver calls it too.
extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size);

// A property that must hold for every input. A failure aborts with the
// property's text, which libFuzzer records as a crash and the replay as a
// failed test.
#define FUZZ_REQUIRE(cond)                                                                         \
    ((cond) ? static_cast<void>(0) : fuzz_property_failed(#cond, __FILE__, __LINE__))

[[noreturn]] void fuzz_property_failed(char const* property, char const* file, int line);

// Takes parameters from the front of an input; an exhausted input gives
// zeros.
class FuzzBytes {
public:
    FuzzBytes(uint8_t const* data, size_t size) : data(data), size(size) {}

    uint8_t byte();
    // A value in [0, count), count > 0.
    unsigned pick(unsigned count);
    // A value in [low, high] in steps of 1/255 of the range.
    double in_range(double low, double high);
    // Whatever is left, as text or bytes.
    std::string rest();

private:
    uint8_t const* data;
    size_t size;
};

// A file that exists for the whole run, in a private folder removed at exit;
// `name` is its name there. Each call replaces its contents.
std::string fuzz_file(std::string const& name, std::string const& contents);
// The private folder itself.
std::string fuzz_folder();
