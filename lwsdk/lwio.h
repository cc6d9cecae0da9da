#pragma once

/* Block-structured load and save states, and the host's file service that
   opens them on files.

   Two I/O modes. LWIO_BINARY reads and writes bytes: `read` and `write` move
   bytes unchanged; the typed functions move each value in big-endian byte
   order, whatever the machine (floats as the big-endian bytes of their bit
   pattern), so a file reads back the same everywhere; an ID is its four
   bytes; strings end with a NUL byte; and there are no blocks (findBlk finds
   none, beginBlk and endBlk write nothing).

   LWIO_ASCII is the host's text form, the one its scene files use for
   plug-in data. A leaf block is one line "Token v1 v2 ..."; a nested block
   opens with a line "{ Token", holds its contents indented by two more
   blanks, and closes with a line "}". Outside leaf blocks each write call
   makes one line and each read call consumes one line; inside a leaf block
   the values follow one another on the block's line and reads never go past
   it. Signed integers are decimal, unsigned ones hexadecimal (upper-case
   digits, no prefix); floats are written with 9 significant digits, which
   brings every finite float back bit-exact; an ID is its token; strings are
   written between double quotes with no escapes, so a string comes back
   exactly when it is the last value on its line (reading takes everything up
   to the line's last double quote), and line breaks inside a string are
   written as blanks. A number that does not fit its type is not read. */

/* A four-character block ID: 'V','E','R','S' gives 0x56455253. */
typedef unsigned int LWID;
#define LWID_(a, b, c, d)                                                                          \
    ((((LWID)(unsigned char)(a)) << 24) | (((LWID)(unsigned char)(b)) << 16) |                     \
     (((LWID)(unsigned char)(c)) << 8) | ((LWID)(unsigned char)(d)))

/* A block ID and the token that stands for it in text form. A list of them
   ends with an entry whose ID is 0. */
typedef struct st_LWBlockIdent {
    LWID id;
    const char* token;
} LWBlockIdent;

#define LWIO_BINARY 0
#define LWIO_ASCII 1
/* The modes by what the host writes in them: objects in binary, scenes in
   text. */
#define LWIO_OBJECT LWIO_BINARY
#define LWIO_SCENE LWIO_ASCII

/* Every function takes the state's `readData` as its first argument. The
   typed readers fill up to `n` values and return how many were read. The
   host's record goes on with further functions, never used here. */
typedef struct st_LWLoadState {
    int ioMode;
    void* readData;
    /* Binary: up to `len` bytes; returns how many, 0 at the end of the data.
       Text: the rest of the current line (one separating blank skipped),
       NUL-terminated, cut to `len` - 1 bytes; returns the number of bytes
       stored (maybe 0), or -1 when no line is left in the current block. */
    int (*read)(void* readData, char* buf, int len);
    int (*readI1)(void* readData, char* vals, int n);
    int (*readI2)(void* readData, short* vals, int n);
    int (*readI4)(void* readData, int* vals, int n);
    int (*readU1)(void* readData, unsigned char* vals, int n);
    int (*readU2)(void* readData, unsigned short* vals, int n);
    int (*readU4)(void* readData, unsigned int* vals, int n);
    int (*readFP)(void* readData, float* vals, int n);
    /* Fills `buf` with one string, NUL-terminated and cut to `max` - 1 bytes;
       returns the number of bytes stored, or -1 when there is no string. */
    int (*readStr)(void* readData, char* buf, int max);
    /* Reads one ID; returns it when it is in `list`, else 0. */
    LWID (*readID)(void* readData, const LWBlockIdent* list);
    /* Enters the next block at the current level whose ID is in `list`,
       skipping others; returns its ID, or 0 when no such block remains
       before the end of the enclosing block. */
    LWID (*findBlk)(void* readData, const LWBlockIdent* list);
    /* Leaves the block entered last, skipping whatever of it was not read. */
    void (*endBlk)(void* readData);
} LWLoadState;

/* Every function takes the state's `writeData` as its first argument; the
   typed writers write `n` values. The host's record goes on with further
   functions, never used here. */
typedef struct st_LWSaveState {
    int ioMode;
    void* writeData;
    /* Binary: `len` raw bytes. Text: the bytes as one line, or appended to
       the open leaf block's line. */
    void (*write)(void* writeData, const char* buf, int len);
    void (*writeI1)(void* writeData, const char* vals, int n);
    void (*writeI2)(void* writeData, const short* vals, int n);
    void (*writeI4)(void* writeData, const int* vals, int n);
    void (*writeU1)(void* writeData, const unsigned char* vals, int n);
    void (*writeU2)(void* writeData, const unsigned short* vals, int n);
    void (*writeU4)(void* writeData, const unsigned int* vals, int n);
    void (*writeFP)(void* writeData, const float* vals, int n);
    void (*writeStr)(void* writeData, const char* str);
    void (*writeID)(void* writeData, const LWBlockIdent* ident);
    /* `leaf` non-zero opens a leaf block, which holds only values. */
    void (*beginBlk)(void* writeData, const LWBlockIdent* ident, int leaf);
    /* Closes the block opened last. */
    void (*endBlk)(void* writeData);
} LWSaveState;

#define LWFILEIOFUNCS_GLOBAL "File IO 5"

typedef struct st_LWFileIOFuncs {
    /* Null when the file cannot be created. */
    LWSaveState* (*openSave)(const char* path, int ioMode);
    /* Finishes the file; the text or bytes reach the file here. */
    void (*closeSave)(LWSaveState* save);
    /* Null when the file cannot be opened. */
    LWLoadState* (*openLoad)(const char* path, int ioMode);
    void (*closeLoad)(LWLoadState* load);
} LWFileIOFuncs;
