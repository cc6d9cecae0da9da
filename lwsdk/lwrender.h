#pragma once

#include "lwsdk/lwtypes.h"

/* The scene, item and camera globals. Each record is declared in the host's
   order up to the last member that the module or the stand-in host uses; the
   host's records go on beyond that, and those further members are never
   touched. */

/* Item kinds, as passed to LWItemInfo.first and given by LWItemInfo.type. */
typedef int LWItemType;
#define LWI_OBJECT 0
#define LWI_LIGHT 1
#define LWI_CAMERA 2
#define LWI_BONE 3

/* Codes of LWItemInfo.param; each gives three doubles. The axes are the
   item's world-space axes (the columns of its item-to-world matrix, scale
   included, so not normalised). */
typedef int LWItemParam;
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
       next) visits every item of the type; `parent` is null except for bones,
       whose walk is per object. */
    LWItemID (*first)(LWItemType type, LWItemID parent);
    /* The next item of the same type, or null after the last. */
    LWItemID (*next)(LWItemID item);
    /* The children of `parent` in the scene's order, of any type. */
    LWItemID (*firstChild)(LWItemID parent);
    LWItemID (*nextChild)(LWItemID parent, LWItemID previous);
    /* Null for an item at the top of the hierarchy. */
    LWItemID (*parent)(LWItemID item);
    /* The item it points at, and the goal of its inverse kinematics; null
       for none. */
    LWItemID (*target)(LWItemID item);
    LWItemID (*goal)(LWItemID item);
    LWItemType (*type)(LWItemID item);
    const char* (*name)(LWItemID item);
    /* Fills `value` with parameter `code` of the item at `time`; zeros for an
       unknown item or code. */
    void (*param)(LWItemID item, LWItemParam code, LWTime time, LWDVector value);
} LWItemInfo;

/* Camera flag bits, LWCameraInfo.flags. */
#define LWCAMF_STEREO 0x1u
#define LWCAMF_LIMITED_REGION 0x2u
/* The camera masks the frame to the rectangle of maskLimits. The host marks
   the bit and the function as out of use; hosts that still set it are
   followed. */
#define LWCAMF_MASK 0x4u
#define LWCAMF_DOF 0x8u
#define LWCAMF_PARTICLE_BLUR 0x10u
#define LWCAMF_LR_NOBORDERS 0x20u
#define LWCAMF_FIELD 0x40u
/* The camera is of a type other than the classic one. */
#define LWCAMF_USECAMTYPE 0x80u
#define LWCAMF_SUPPORTS_DOF 0x100u
#define LWCAMF_EYE 0x200u
#define LWCAMF_SUPPORTS_STEREO 0x400u
#define LWCAMF_SUPPORTS_PROJECT 0x800u

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
    /* The frame size in pixels. */
    void (*resolution)(LWItemID camera, int* width, int* height);
    /* Pixel width over pixel height. */
    double (*pixelAspect)(LWItemID camera, LWTime time);
    /* Distance between the eyes of a stereo camera, in metres. */
    double (*separation)(LWItemID camera, LWTime time);
    /* Inclusive pixel bounds of the rendered region. */
    void (*regionLimits)(LWItemID camera, int* x0, int* y0, int* x1, int* y1);
    /* Inclusive pixel bounds of the mask; meaningful while LWCAMF_MASK is
       set. */
    void (*maskLimits)(LWItemID camera, int* x0, int* y0, int* x1, int* y1);
} LWCameraInfo;

/* Render option bits of LWSceneInfo.renderOpts. */
#define LWROPT_FIELDS 0x8
#define LWROPT_EVENFIELDS 0x10
#define LWROPT_MOTIONBLUR 0x20
#define LWROPT_DEPTHOFFIELD 0x40
#define LWROPT_LIMITEDREGION 0x80

#define LWSCENEINFO_GLOBAL "LW Scene Info 12"

/* A snapshot of the scene, taken when the global is looked up. */
typedef struct st_LWSceneInfo {
    const char* name;
    /* The scene file; may be empty for a scene never saved. */
    const char* filename;
    int numPoints;
    int numPolygons;
    int renderType;
    /* LWROPT_ bits. */
    int renderOpts;
    /* The scene's frame range and step. */
    LWFrame frameStart;
    LWFrame frameEnd;
    LWFrame frameStep;
    double framesPerSecond;
    /* The rendered frame size in pixels. */
    int frameWidth;
    int frameHeight;
    double pixelAspect;
    int minSamplesPerPixel;
    int maxSamplesPerPixel;
    /* The region rendered, inclusive pixel bounds: x0, y0, x1, y1; the whole
       frame when no region is limited. */
    int limitedRegion[4];
    int recursionDepth;
    /* The camera that renders at `time`. */
    LWItemID (*renderCamera)(LWTime time);
} LWSceneInfo;
