#pragma once

// Integer names used throughout the library; uword is the machine word.
typedef unsigned long uword;
typedef long sword;
typedef unsigned int u32;
typedef int s32;
typedef unsigned long long u64;
typedef long long s64;
