#pragma once

#include "lwsdk/lwhandler.h"
#include "lwsdk/lwmonitor.h"
#include "lwsdk/lwtypes.h"

#define LWIMAGEFILTER_HCLASS "ImageFilterHandler"
#define LWIMAGEFILTER_ICLASS "ImageFilterInterface"
#define LWIMAGEFILTER_VERSION 7

/* What an image filter instance is created for, pointed to by the create
   callback's context. */
typedef unsigned int LWFilterContext;
#define LWFCF_PREPROCESS 1u /* the image editor or a pre-process, not a render */

/* Buffer names of LWFilterAccess.layers and getLine. */
#define LWBUFFER_FINAL_RENDER_RGBA "Final_Render"
#define LWBUFFER_ALPHA "Alpha"

/* The rendered frame handed to an image filter's process callback. The
   functions act on the frame being processed; they take no context because
   the host processes one frame at a time. */
typedef struct st_LWFilterAccess {
    int width;
    int height;
    LWFrame frame;
    /* The exposure interval, in seconds. */
    LWTime start;
    LWTime end;
    /* How many layers the named buffer has; 0 when there is no such buffer. */
    int (*layers)(const char* buffer);
    /* Row `y` (0 at the top) of layer `layer` of the named buffer, `width`
       floats; null when the buffer, layer or row does not exist.
       "Final_Render" has layers 0, 1, 2 (red, green, blue), "Alpha" layer 0.
       The rows are the host's input; a filter writes through setRGB and
       setAlpha. */
    float* (*getLine)(const char* buffer, int layer, int y);
    /* Write one pixel of the filter's output; pixels outside the frame are
       ignored. The output starts unwritten. */
    void (*setRGB)(int x, int y, const float rgb[3]);
    void (*setAlpha)(int x, int y, float alpha);
    /* May be null. */
    LWMonitor* monitor;
} LWFilterAccess;

typedef struct st_LWImageFilterHandler {
    LWInstanceFuncs* inst;
    /* May be null; see LWItemFuncs. */
    LWItemFuncs* item;
    /* Returns null, or an error text when the frame could not be processed. */
    LWError (*process)(LWInstance inst, const LWFilterAccess* access);
    /* Buffers the filter needs besides the colour and alpha, as a
       null-terminated list of names. */
    const char* const* (*flags)(LWInstance inst);
} LWImageFilterHandler;
