#pragma once

#define LWMESSAGEFUNCS_GLOBAL "Info Messages 4"

/* Messages shown to the user, of one or two lines; `line2` may be null. The
   host's record goes on with further kinds of message, never used here. */
typedef struct st_LWMessageFuncs {
    void (*info)(const char* line1, const char* line2);
    void (*error)(const char* line1, const char* line2);
} LWMessageFuncs;

/* "System ID" and "Product Info" are 32-bit values, returned by GlobalFunc
   in the pointer itself: (unsigned int)(uintptr_t)global(name, 0). */
#define LWSYSTEMID_GLOBAL "System ID"
#define LWPRODUCTINFO_GLOBAL "Product Info"

/* The System ID: the kind of program in the top four bits, the licence's
   serial number below. */
#define LWSYS_TYPEBITS 0xF0000000u
#define LWSYS_SERIALBITS 0x0FFFFFFFu
#define LWSYS_LAYOUT 0x00000000u
#define LWSYS_MODELER 0x10000000u
#define LWSYS_SCREAMERNET 0x20000000u
#define LWSYS_OTHER 0x80000000u

/* Fields of the Product Info. The model year (field + 2015) is defined only
   for major revision 15, which every host from 2015 on reports. */
#define LWINF_PRODUCT 0x0000000Fu
#define LWINF_BUILD 0x0000FFF0u
#define LWINF_MINORREV 0x000F0000u
#define LWINF_MAJORREV 0x00F00000u
#define LWINF_MODELYEAR 0x3F000000u
#define LWINF_RESERVED 0xC0000000u

/* The host's major version number, bits 20 to 23 of the Product Info. */
#define LWINF_GETMAJOR(info) (((info)&LWINF_MAJORREV) >> 20)
