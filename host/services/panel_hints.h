#pragma once

#include "lwsdk/lwxpanel.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// One hint of a list: its tag, the fixed words that follow it, and the
// control IDs of its list when the tag has one.
struct PanelHint {
    unsigned tag;
    std::vector<std::uintptr_t> words;
    std::vector<unsigned> ids;
};

// Longest hint list taken from a module, in words.
std::size_t const MAX_HINT_WORDS = 1 << 16;

// Decodes a hint list by the tag rule: the low seven bits of a tag are the
// number of fixed words after it, and bit 0x80 adds a list of IDs ended by
// 0. Tags this host does not know are kept like any other. No word is read
// beyond the list's XPTAG_END, nor beyond `limit` words.
//
// Throws StrXception "hint list: ..." when a word that should be a tag is
// none, a known tag carries the wrong word count, an ID does not fit in 32
// bits, or the list runs past `limit` words without its end.
std::vector<PanelHint> decode_hints(LWXPanelHint const* list, std::size_t limit);

// The name of a tag this host knows ("XPTAG_RANGE"); null for others.
char const* hint_tag_name(unsigned tag);
