#include "base/io.h"

#include "base/xception.h"

#include <cstring>
#include <exception>

namespace {

char const* const UNIT = "base/io";

// Moves a buffered stream to `to`: staying put keeps the buffer, anything else
// first settles it (drops read-ahead or flushes pending output).
template <class Stream, class Settle>
long long move_to(s64& pos, long long to, Stream& underlying, Settle settle) {
    if (to != pos) {
        settle();
        pos = underlying.seek_from_start(to);
    }
    return pos;
}

} // namespace

Input::~Input() = default;

Output::~Output() noexcept(false) = default;

BufferedInput::BufferedInput(Input& source, int size)
    : source(source), pos(0), buf(new char[size > 0 ? size : 0]), size(size > 0 ? size : 0),
      waiting(0), pushed_back(-1), at_end(false) {}

BufferedInput::~BufferedInput() = default;

int BufferedInput::read(char* dst, int n) {
    if (n < 1) {
        return 0;
    }
    int total = 0;
    // Delivered first even when unbuffered, or readline's look-ahead would
    // reorder the input.
    if (pushed_back >= 0) {
        *dst++ = static_cast<char>(pushed_back);
        pushed_back = -1;
        total = 1;
        if (--n == 0) {
            pos += total;
            return total;
        }
    }
    if (size == 0) {
        int got = source.read(dst, n);
        if (got < 0) {
            pos += total;
            return total > 0 ? total : got;
        }
        total += got;
        pos += total;
        return total;
    }
    while (n > waiting) {
        memcpy(dst, buf.get(), waiting);
        dst += waiting;
        total += waiting;
        n -= waiting;
        waiting = 0;
        if (n >= size) {
            // A whole buffer's worth or more bypasses the buffer.
            if (!at_end) {
                int got = source.read(dst, n);
                if (got < 0) {
                    pos += total;
                    return total > 0 ? total : got;
                }
                if (got < n) {
                    at_end = true;
                }
                total += got;
            }
            pos += total;
            return total;
        }
        if (at_end) {
            pos += total;
            return total;
        }
        int got = source.read(buf.get(), size);
        if (got < 0) {
            pos += total;
            return total > 0 ? total : got;
        }
        if (got < size) {
            at_end = true;
        }
        waiting = got;
    }
    memcpy(dst, buf.get(), n);
    waiting -= n;
    memmove(buf.get(), buf.get() + n, waiting);
    total += n;
    pos += total;
    return total;
}

String BufferedInput::readline() {
    String line;
    char c = 0;
    for (;;) {
        int got = read(&c, 1);
        if (got < 0) {
            throw StrXception(UNIT, "String BufferedInput::readline()", 124, "read error");
        }
        if (got == 0) {
            return line;
        }
        line += c;
        if (c == '\r' || c == '\n') {
            break;
        }
    }
    char next = 0;
    if (read(&next, 1) != 1) {
        return line;
    }
    if ((c == '\r' && next == '\n') || (c == '\n' && next == '\r')) {
        line += next;
    } else {
        unread(next);
    }
    return line;
}

void BufferedInput::unread(char c) {
    if (pushed_back >= 0) {
        throw StrXception(UNIT, "void BufferedInput::unread(char)", 153,
                          "can't unread more than 1 byte");
    }
    pushed_back = static_cast<unsigned char>(c);
    --pos;
}

void BufferedInput::discard() {
    waiting = 0;
    pushed_back = -1;
    at_end = false;
}

long long BufferedInput::seek_from_start(long long to) {
    return move_to(pos, to, source, [this] { discard(); });
}

long long BufferedInput::seek_from_curpos(long long offset) {
    // The source sits ahead of pos by whatever is buffered, so seek absolutely.
    return move_to(pos, pos + offset, source, [this] { discard(); });
}

BufferedOutput::BufferedOutput(Output& target, int size)
    : target(target), pos(0), buf(new char[size > 0 ? size : 0]), size(size > 0 ? size : 0),
      waiting(0) {}

BufferedOutput::~BufferedOutput() noexcept(false) {
    // Throwing now, while another exception unwinds, would end the program.
    if (std::uncaught_exceptions() == 0) {
        flush();
        return;
    }
    try {
        flush();
    } catch (StrXception const& e) {
        Xception::warning("BufferedOutput::~BufferedOutput()", "%s",
                          static_cast<char const*>(e.message()));
    }
}

int BufferedOutput::write(char const* src, int n) {
    if (n < 1) {
        return 0;
    }
    if (size > 0 && size - waiting < n) {
        flush();
    }
    if (n <= size) {
        memcpy(buf.get() + waiting, src, n);
        waiting += n;
        pos += n;
        return n;
    }
    int put = target.write(src, n);
    if (put > 0) {
        pos += put;
    }
    return put;
}

void BufferedOutput::flush() {
    // A target that keeps accepting nothing is asked again without limit.
    while (waiting > 0) {
        int put = target.write(buf.get(), waiting);
        if (put < 0) {
            throw StrXception(UNIT, "void BufferedOutput::flush()", 210, "write error");
        }
        waiting -= put;
        memmove(buf.get(), buf.get() + put, waiting);
    }
}

long long BufferedOutput::seek_from_start(long long to) {
    return move_to(pos, to, target, [this] { flush(); });
}

long long BufferedOutput::seek_from_curpos(long long offset) {
    return move_to(pos, pos + offset, target, [this] { flush(); });
}
