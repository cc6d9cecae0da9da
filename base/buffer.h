#pragma once

#include "base/string.h"

// Procedural byte buffering over a read or a write function. The waiting
// bytes always sit at the start of buf, so the buffer never wraps and head
// and tail stay 0. A size of 0 means unbuffered.
struct buffer {
    enum { READ = 0, WRITE = 1 };

    char* buf;
    int size;
    int mode;
    char end; // the read function returned fewer bytes than asked
    int (*readfn)(void* arg, char* dst, int n);
    int (*writefn)(void* arg, char const* src, int n);
    void* arg;
    int len; // bytes waiting
    int head;
    int tail;
    int pushback; // the pushed-back byte as unsigned char, -1 for none
};

// Null when the record or its 4096-byte buffer cannot be allocated.
buffer* buf_input(int (*readfn)(void* arg, char* dst, int n), void* arg);
buffer* buf_output(int (*writefn)(void* arg, char const* src, int n), void* arg);
// 0 on success, -1 when the n bytes cannot be allocated.
int buf_size(buffer* b, int n);
// Flushes a write buffer, then frees everything; null is ignored.
void buf_destroy(buffer* b);
// 0, or the negative result of the write function.
int buf_flush(buffer* b);
// The byte count, 0 at the end, or the negative result of the read function.
int buf_read(buffer* b, char* dst, int n);
// The next line with its terminator (LF, CR, CR LF or LF CR); the empty
// string once the input is exhausted.
String buf_readln(buffer* b);
void buf_unread(buffer* b, char const c);
int buf_write(buffer* b, char const* src, int n);
int buf_writestr(buffer* b, char const* s);
int buf_writechar(buffer* b, char c);
