#pragma once

// Loops that the compiler turns into vector code run several times faster
// with the wider vectors of newer x86-64 processors. VECTOR_CLONES on a
// function compiles it once for the baseline and once for each of those
// instruction sets, and the loader picks the best one the processor has.
// Files that use it are built without contraction into fused multiply-adds,
// so that every clone rounds alike except where the code asks for them
// itself (HAS_VECTOR_CLONES says whether there are clones to ask in).
// Clang 14 accepts the attribute but emits no clone for these targets, so
// it builds the baseline only.
#if defined(__x86_64__) && defined(__ELF__) && defined(__has_attribute) && !defined(__clang__)
#if __has_attribute(target_clones)
#define VECTOR_CLONES __attribute__((target_clones("default", "arch=x86-64-v3", "arch=x86-64-v4")))
#define HAS_VECTOR_CLONES 1
#endif
#endif
#ifndef VECTOR_CLONES
#define VECTOR_CLONES
#define HAS_VECTOR_CLONES 0
#endif

// What a VECTOR_CLONES function calls must be compiled into each clone.
#if defined(__GNUC__)
#define IN_EVERY_CLONE __attribute__((always_inline)) inline
#else
#define IN_EVERY_CLONE inline
#endif
