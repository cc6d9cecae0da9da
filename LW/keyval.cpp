#include "LW/keyval.h"

namespace {

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char const* skip_space(char const* p) {
    while (*p && is_space(*p)) {
        p++;
    }
    return p;
}

char const* skip_word(char const* p) {
    while (*p && !is_space(*p)) {
        p++;
    }
    return p;
}

} // namespace

bool parse_keyval(StringMap<String>& map, char const* text) {
    char const* p = text;
    for (;;) {
        p = skip_space(p);
        if (!*p) {
            return true;
        }
        char const* key = p;
        p = skip_word(p);
        if (!*p) {
            return false;
        }
        String name(key, static_cast<unsigned>(p - key));
        p = skip_space(p);
        if (!*p) {
            return false;
        }
        String value;
        if (*p == '"') {
            char const* start = ++p;
            while (*p && *p != '"') {
                p++;
            }
            if (!*p) {
                return false;
            }
            value = String(start, static_cast<unsigned>(p - start));
            p++;
        } else {
            char const* start = p;
            p = skip_word(p);
            value = String(start, static_cast<unsigned>(p - start));
        }
        map.insert(InString::intern(name), value);
    }
}

int load_int(StringMap<String> const& map, char const* key, int def) {
    String const* value = map.lookup(InString::intern(key));
    return value ? value->atoi() : def;
}

double load_double(StringMap<String> const& map, char const* key, double def) {
    String const* value = map.lookup(InString::intern(key));
    return value ? value->atof() : def;
}

String load_string(StringMap<String> const& map, char const* key, char const* def) {
    String const* value = map.lookup(InString::intern(key));
    return value ? *value : String(def);
}
