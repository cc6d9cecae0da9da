#include "base/buffer.h"

#include "base/xception.h"

#include <cstdlib>
#include <cstring>

namespace {

int const READ = buffer::READ;
int const WRITE = buffer::WRITE;
char const* const UNIT = "base/buffer";

buffer* buf_new(int mode) {
    buffer* b = static_cast<buffer*>(calloc(1, sizeof(buffer)));
    if (!b)
        return nullptr;
    b->mode = mode;
    b->pushback = -1;
    if (buf_size(b, 4096) < 0) {
        free(b);
        return nullptr;
    }
    return b;
}

} // namespace

buffer* buf_input(int (*readfn)(void* arg, char* dst, int n), void* arg) {
    buffer* b = buf_new(READ);
    if (b) {
        b->readfn = readfn;
        b->arg = arg;
    }
    return b;
}

buffer* buf_output(int (*writefn)(void* arg, char const* src, int n), void* arg) {
    buffer* b = buf_new(WRITE);
    if (b) {
        b->writefn = writefn;
        b->arg = arg;
    }
    return b;
}

int buf_size(buffer* b, int n) {
    char const* const fn = "int buf_size(struct buffer *, int)";
    XASSERT(b->size == 0, UNIT, fn, 112);
    XASSERT(b->buf == 0, UNIT, fn, 113);
    XASSERT(b->head == 0, UNIT, fn, 114);
    XASSERT(b->tail == 0, UNIT, fn, 115);
    if (n <= 0)
        return 0;
    b->buf = static_cast<char*>(malloc(n));
    if (!b->buf)
        return -1;
    b->size = n;
    return 0;
}

void buf_destroy(buffer* b) {
    if (!b)
        return;
    if (b->mode == WRITE)
        buf_flush(b);
    free(b->buf);
    free(b);
}

int buf_flush(buffer* b) {
    if (b->size == 0)
        return 0;
    if (b->mode == READ) {
        b->len = 0;
        b->end = 0;
    } else {
        // A target that accepts nothing is asked again, without a limit.
        while (b->len > 0) {
            int r = b->writefn(b->arg, b->buf, b->len);
            if (r < 0)
                return r;
            memmove(b->buf, b->buf + r, b->len - r);
            b->len -= r;
        }
    }
    XASSERT(b->len == 0, UNIT, "int buf_flush(struct buffer *)", 335);
    return 0;
}

int buf_read(buffer* b, char* dst, int n) {
    XASSERT(b->mode == READ, UNIT, "int buf_read(struct buffer *, char *, int)", 141);
    if (n < 1)
        return 0;
    int total = 0;
    if (b->pushback >= 0) {
        dst[0] = static_cast<char>(b->pushback);
        b->pushback = -1;
        total = 1;
        // Unbuffered, the byte is a short read of its own: asking the
        // source for more could fail and lose it.
        if (n == 1 || b->size == 0)
            return 1;
    }
    if (b->size == 0)
        return b->readfn(b->arg, dst, n);
    char* out = dst + total;
    int want = n - total;
    while (want > b->len) {
        memcpy(out, b->buf, b->len);
        out += b->len;
        want -= b->len;
        total += b->len;
        b->len = 0;
        if (want >= b->size) {
            // At least a whole buffer's worth: bypass the buffer.
            if (!b->end) {
                int r = b->readfn(b->arg, out, want);
                if (r < 0)
                    return r;
                if (r < want)
                    b->end = 1;
                total += r;
            }
            return total;
        }
        if (b->end)
            return total;
        int r = b->readfn(b->arg, b->buf, b->size);
        if (r < 0)
            return r;
        if (r < b->size)
            b->end = 1;
        b->len = r;
    }
    memcpy(out, b->buf, want);
    memmove(b->buf, b->buf + want, b->len - want);
    b->len -= want;
    return total + want;
}

String buf_readln(buffer* b) {
    char const* const fn = "String buf_readln(struct buffer *)";
    XASSERT(b->mode == READ, UNIT, fn, 221);
    String line;
    char c;
    for (;;) {
        int r = buf_read(b, &c, 1);
        if (r < 0)
            throw StrXception(UNIT, fn, 229, "read error");
        if (r == 0)
            return line;
        line += c;
        if (c == 13 || c == 10)
            break;
    }
    char next;
    int r = buf_read(b, &next, 1);
    if (r < 0)
        throw StrXception(UNIT, fn, 229, "read error");
    if (r == 0)
        return line;
    if ((c == 13 && next == 10) || (c == 10 && next == 13))
        line += next;
    else
        buf_unread(b, next);
    return line;
}

void buf_unread(buffer* b, char const c) {
    if (b->pushback >= 0)
        throw StrXception(UNIT, "void buf_unread(struct buffer *, const char)", 258,
                          "unread of more than 1 byte");
    b->pushback = static_cast<unsigned char>(c);
}

int buf_write(buffer* b, char const* src, int n) {
    XASSERT(b->mode == WRITE, UNIT, "int buf_write(struct buffer *, const char *, int)", 264);
    if (n <= 0)
        return 0;
    if (b->size > 0 && b->size - b->len < n) {
        int r = buf_flush(b);
        if (r < 0)
            return r;
    }
    if (n <= b->size) {
        memcpy(b->buf + b->len, src, n);
        b->len += n;
        return n;
    }
    return b->writefn(b->arg, src, n);
}

int buf_writestr(buffer* b, char const* s) {
    XASSERT(b->mode == WRITE, UNIT, "int buf_writestr(struct buffer *, const char *)", 292);
    int count = 0;
    for (; *s; ++s) {
        int r = buf_write(b, s, 1);
        if (r < 0)
            return r;
        count += r;
    }
    return count;
}

int buf_writechar(buffer* b, char c) {
    XASSERT(b->mode == WRITE, UNIT, "int buf_writechar(struct buffer *, char)", 307);
    return buf_write(b, &c, 1);
}
