#include "base/hash.h"

#include "base/instring.h"
#include "base/types.h"

#include <cstring>

namespace {

unsigned step(unsigned h, char byte) {
    int c = static_cast<signed char>(byte);
    return ((static_cast<unsigned>(c) << 4) + h + static_cast<unsigned>(c >> 4)) * 11u;
}

unsigned rotate16(unsigned v) {
    return (v << 16) | (v >> 16);
}

} // namespace

unsigned hash_chars(char const* s) {
    unsigned h = 0;
    for (; *s; ++s)
        h = step(h, *s);
    return h;
}

unsigned hash_bytes(unsigned char const* p, unsigned n) {
    unsigned h = 0;
    for (unsigned i = 0; i < n; ++i)
        h = step(h, static_cast<char>(p[i]));
    return h;
}

unsigned hash_instring(InString* s) {
    return s->hash;
}

unsigned hash_md5sum(unsigned char* digest) {
    return static_cast<unsigned>(digest[0]) | static_cast<unsigned>(digest[1]) << 8 |
           static_cast<unsigned>(digest[2]) << 16 | static_cast<unsigned>(digest[3]) << 24;
}

unsigned hash_double(double d) {
    u64 bits;
    memcpy(&bits, &d, sizeof bits);
    return static_cast<unsigned>(bits >> 32) ^ static_cast<unsigned>(bits);
}

unsigned hash_float(float f) {
    u32 bits;
    memcpy(&bits, &f, sizeof bits);
    return bits;
}

unsigned hash_s64(long long v) {
    u64 bits = static_cast<u64>(v);
    return static_cast<unsigned>(bits) ^ static_cast<unsigned>(bits >> 32);
}

unsigned hash_int(int v) {
    return rotate16(static_cast<unsigned>(v));
}

unsigned hash_ptr(void const* p) {
    return rotate16(static_cast<unsigned>(reinterpret_cast<uword>(p)));
}

unsigned hash_accum(unsigned a, unsigned b) {
    unsigned const k = 0x12345678u;
    unsigned t1 = (a - b - k) ^ 0x91A2u;
    unsigned t2 = b - t1 - k;
    unsigned t3 = (t1 << 8) ^ t2;
    unsigned t4 = (t3 >> 13) ^ (k - t1 - t3);
    unsigned t5 = (t4 >> 12) ^ (t1 - t3 - t4);
    unsigned t6 = (t5 << 16) ^ (t3 - t4 - t5);
    unsigned t7 = (t6 >> 5) ^ (t4 - t5 - t6);
    return (t7 >> 3) ^ (t5 - t6 - t7);
}
