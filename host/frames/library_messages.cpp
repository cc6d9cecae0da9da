#include "host/frames/library_messages.h"

#include <cstdio>
#include <cstring>

void LibraryMessages::add(char const* kind, char const* module, char const* fmt, va_list ap) {
    std::size_t used = std::strlen(text_);
    std::size_t room = sizeof text_ - used;
    int n = std::snprintf(text_ + used, room, "%s%s%s%s", used ? "; " : "", kind,
                          module ? module : "", module ? ": " : "");
    if (n > 0 && std::size_t(n) < room) {
        std::vsnprintf(text_ + used + n, room - std::size_t(n), fmt, ap);
    }
}

void LibraryMessages::add(char const* kind, char const* text) {
    std::size_t used = std::strlen(text_);
    std::snprintf(text_ + used, sizeof text_ - used, "%s%s%s", used ? "; " : "", kind, text);
}
