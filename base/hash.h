#pragma once

class InString;

// Small 32-bit hashes for chained tables. All arithmetic is modulo 2^32.

// The same recurrence as String::hash; 0 for the empty text.
unsigned hash_chars(char const* s);
unsigned hash_bytes(unsigned char const* p, unsigned n);
unsigned hash_instring(InString* s);
// The first four digest bytes as a little-endian word: an MD5 sum is already
// well mixed.
unsigned hash_md5sum(unsigned char* digest);
unsigned hash_double(double d);
unsigned hash_float(float f);
unsigned hash_s64(long long v);
unsigned hash_int(int v);
unsigned hash_ptr(void const* p);
// Mixes b into the running hash a.
unsigned hash_accum(unsigned a, unsigned b);
