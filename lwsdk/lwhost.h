#pragma once

#define LWMESSAGEFUNCS_GLOBAL "Info Messages 4"

typedef struct st_LWMessageFuncs {
    /* Shows an error of one or two lines; `line2` may be null. */
    void (*error)(const char* line1, const char* line2);
} LWMessageFuncs;

/* "System ID" and "Product Info" are 32-bit values, returned by GlobalFunc
   in the pointer itself: (unsigned int)(uintptr_t)global(name, 0). */
#define LWSYSTEMID_GLOBAL "System ID"
#define LWPRODUCTINFO_GLOBAL "Product Info"

/* The top four bits of the System ID tell the kind of licence. */
#define LWSYS_TYPEBITS 0xF0000000u

/* The host's major version number, bits 20 to 23 of the Product Info. */
#define LWINF_GETMAJOR(info) (((info) >> 20) & 15u)
