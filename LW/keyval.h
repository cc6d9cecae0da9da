#pragma once

#include "base/ptrmap.h"
#include "base/string.h"

// Adds every "key value" or "key "quoted value"" pair of `text` to `map`,
// later duplicates behind earlier ones. Whitespace is blank, tab, CR and LF;
// there is no escape, so a value cannot hold a double quote. False on a key
// without a value or an unterminated quote; the pairs before it stay added.
bool parse_keyval(StringMap<String>& map, char const* text);

// The value of `key`, or `def` when the map lacks it.
int load_int(StringMap<String> const& map, char const* key, int def);
double load_double(StringMap<String> const& map, char const* key, double def);
String load_string(StringMap<String> const& map, char const* key, char const* def);
