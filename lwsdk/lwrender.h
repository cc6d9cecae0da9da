#pragma once

#include "lwsdk/lwtypes.h"

/* Item kinds, as passed to LWItemInfo.first. */
typedef int LWItemType;
#define LWI_OBJECT 0
#define LWI_LIGHT 1
#define LWI_CAMERA 2

/* Codes of LWItemInfo.param. The axes are the item's world-space axes (the
   columns of its item-to-world matrix, scale included, so not normalised). */
#define LWIP_RIGHT 2
#define LWIP_UP 3
#define LWIP_FORWARD 4
/* The pivot point in the item's own coordinates. */
#define LWIP_PIVOT 7
/* The world position of the item's pivot. */
#define LWIP_W_POSITION 8

#define LWITEMINFO_GLOBAL "LW Item Info 9"

typedef struct st_LWItemInfo {
    /* The first item of `type` in the scene's order. The walk (first, then
       next) visits every item of the type; `parent` must be null. */
    LWItemID (*first)(LWItemType type, LWItemID parent);
    /* The next item of the same type, or null after the last. */
    LWItemID (*next)(LWItemID item);
    const char* (*name)(LWItemID item);
    /* Fills `value` with parameter `code` of the item at `time`; zeros for an
       unknown item or code. */
    void (*param)(LWItemID item, int code, LWTime time, LWDVector value);
} LWItemInfo;

/* Camera flag bits. */
#define LWCAMF_MASK 4u
#define LWCAMF_MOTION_BLUR 0x80u

#define LWCAMERAINFO_GLOBAL "LW Camera Info 10"

/* Camera properties. Asked about an item that is not a camera, every
   function gives zeros. */
typedef struct st_LWCameraInfo {
    /* Distance from the eye to the plane on which the image's half-height is
       1: tan(vertical fov / 2) = 1 / zoom. */
    double (*zoomFactor)(LWItemID camera, LWTime time);
    /* Millimetres. */
    double (*focalLength)(LWItemID camera, LWTime time);
    /* Metres. */
    double (*focalDistance)(LWItemID camera, LWTime time);
    double (*fStop)(LWItemID camera, LWTime time);
    /* Exposure length as a fraction of a frame. */
    double (*blurLength)(LWItemID camera, LWTime time);
    /* Full angles in radians: tan(vertical / 2) = 1 / zoom and
       tan(horizontal / 2) = pixel aspect * frame width / frame height / zoom. */
    void (*fovAngles)(LWItemID camera, LWTime time, double* horizontal, double* vertical);
    /* LWCAMF_ bits. */
    unsigned int (*flags)(LWItemID camera);
    /* The camera's mask rectangle, in inclusive pixel bounds of the frame;
       meaningful while LWCAMF_MASK is set. This is the host's twelfth
       camera function; the slots between that no plug-in here calls are
       left out. */
    void (*mask)(LWItemID camera, int* x0, int* y0, int* x1, int* y1);
} LWCameraInfo;

/* Render option bits of LWSceneInfo.renderOpts. */
#define LWROPT_FIELDS 8u
#define LWROPT_EVENFIELDS 0x10u
#define LWROPT_DEPTHOFFIELD 0x40u

#define LWSCENEINFO_GLOBAL "LW Scene Info 12"

/* A snapshot of the scene, taken when the global is looked up. */
typedef struct st_LWSceneInfo {
    /* LWROPT_ bits. */
    unsigned int renderOpts;
    double framesPerSecond;
    /* The rendered frame size in pixels. */
    int frameWidth;
    int frameHeight;
    /* The region rendered, inclusive pixel bounds: x0, y0, x1, y1; the whole
       frame when no region is limited. */
    int limitedRegion[4];
    /* The camera that renders at `time`. */
    LWItemID (*renderCamera)(LWTime time);
} LWSceneInfo;
