#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

// Typed values in binary load and save states travel most significant byte
// first on every machine; a float as the bytes of its bit pattern.

template <class T> struct BigEndianBits {
    static_assert(std::is_integral_v<T>, "an integer or a float");
    using type = std::make_unsigned_t<T>;
};
template <> struct BigEndianBits<float> { using type = uint32_t; };

template <class T> void put_big_endian(T value, unsigned char* out) {
    using Bits = typename BigEndianBits<T>::type;
    Bits bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (std::size_t i = 0; i < sizeof bits; i++) {
        out[i] = static_cast<unsigned char>(bits >> (8 * (sizeof bits - 1 - i)));
    }
}

template <class T> T get_big_endian(unsigned char const* in) {
    using Bits = typename BigEndianBits<T>::type;
    Bits bits = 0;
    for (std::size_t i = 0; i < sizeof bits; i++) {
        bits = static_cast<Bits>(bits << 8 | in[i]);
    }
    T value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
