#pragma once

/* Scalar types shared by the host's records. */

/* An item of the scene (object, light or camera). Opaque to plug-ins; the
   null pointer is "no item". The host's IDs fit in 32 bits (type in the top
   hex digit, ordinal in the rest: 0x10000000 is the first object), so a
   plug-in may store an ID in a 32-bit int and read it back. */
typedef struct st_LWItem* LWItemID;

/* Scene time in seconds. */
typedef double LWTime;

/* Frame number. */
typedef int LWFrame;

/* A point or direction in double precision: x, y, z. */
typedef double LWDVector[3];

/* A plug-in's instance data, owned by the plug-in, held by the host. */
typedef void* LWInstance;

/* An error text returned by a callback; null means success. */
typedef const char* LWError;
