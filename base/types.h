#pragma once

// Integer names used throughout the library; uword is the machine word, as
// wide as a pointer. 64-bit Windows keeps long at 32 bits.
#ifdef _WIN32
typedef unsigned long long uword;
typedef long long sword;
#else
typedef unsigned long uword;
typedef long sword;
#endif
typedef unsigned int u32;
typedef int s32;
typedef unsigned long long u64;
typedef long long s64;

static_assert(sizeof(uword) == sizeof(void*), "uword holds a pointer");
