#pragma once

/* Settings panels built with the host's XPanel service, their drawing
   functions, and the host's file requester. Records are declared in the
   host's order up to the last member used; the host's go on beyond that, and
   those further members are never touched. */

/* A panel built with the host's XPanel service. */
typedef struct st_LWXPanel* LWXPanelID;
/* The area a draw callback draws into; valid only during the callback. */
typedef void* LWXPDrAreaID;
/* One pointer-sized word of a hint list. */
typedef void* LWXPanelHint;

/* What a set callback asks the host to redraw. */
typedef enum en_LWXPRefreshCode {
    LWXPRC_NONE = 0, /* the value was not handled */
    LWXPRC_DFLT = 1,
    LWXPRC_DRAW = 2, /* the control that changed */
    LWXPRC_FULL = 3, /* every control: another value changed too */
    LWXPRC_REFORMAT = 4
} LWXPRefreshCode;

/* Control and value IDs are 32 bits wide in every callback and service
   function that takes them, except the button and popup callbacks, which
   take an int. */

/* The address of the instance's value `vid`; null for a value not handled. A
   "float" value is one double, a "color" three, an "integer" one int, a
   "string" the text itself. */
typedef void* LWXPanelGetFunc(void* inst, unsigned int vid);
/* `value` points as for the get callback. */
typedef LWXPRefreshCode LWXPanelSetFunc(void* inst, unsigned int vid, void* value);
typedef void LWXPanelDrawFunc(LWXPanelID panel, unsigned int cid, LWXPDrAreaID area, int w, int h);
typedef void LWXPanelBtnClickFunc(LWXPanelID panel, int cid);
typedef int LWXPanelPopCntFunc(void* userData);
typedef const char* LWXPanelPopNameFunc(void* userData, int index);
/* Called after the panel is gone, with the data of setData(panel, 0, ...);
   the module must not destroy that panel afterwards. */
typedef void LWXPanelDestroyNotifyFunc(void* panelData);

/* Entries of a module's control and value lists, each list ended by an entry
   of ID 0. Class and type texts are the module's own. */
typedef struct st_LWXPanelControl {
    unsigned int cid;
    const char* label;
    const char* ctrlclass;
} LWXPanelControl;

typedef struct st_LWXPanelDataDesc {
    unsigned int vid;
    const char* name;
    const char* datatype;
} LWXPanelDataDesc;

typedef struct st_LWXPDrawFuncs {
    void (*drawPixel)(LWXPDrAreaID area, int colorIndex, int x, int y);
    /* Red, green and blue from 0 to 255; (0, 0) is the top left. */
    void (*drawRGBPixel)(LWXPDrAreaID area, int r, int g, int b, int x, int y);
} LWXPDrawFuncs;

#define LWXPANELFUNCS_GLOBAL "LWXPanel 3"

/* A VIEW panel edits an instance through get and set callbacks; a FORM keeps
   its values itself (formGet, formSet) and is posted as a modal dialog. */
#define LWXP_VIEW 1
#define LWXP_FORM 2

typedef struct st_LWXPanelFuncs {
    int version;
    LWXPDrawFuncs* drawf;
    /* Null when the panel cannot be made. */
    LWXPanelID (*create)(int type, LWXPanelControl* controls);
    void (*destroy)(LWXPanelID panel);
    /* A VIEW needs both callbacks; a FORM takes none. */
    void (*describe)(LWXPanelID panel, LWXPanelDataDesc* values, LWXPanelGetFunc* get,
                     LWXPanelSetFunc* set);
    /* Only while the panel is not shown. `hints` is a list of tags, each
       followed by its words, ended by XPTAG_END. */
    void (*hint)(LWXPanelID panel, unsigned int id, LWXPanelHint* hints);
    /* ID 0 is the panel's user data. */
    void* (*getData)(LWXPanelID panel, unsigned int id);
    void (*setData)(LWXPanelID panel, unsigned int id, void* data);
    /* A FORM's value, pointed to as for the get callback; null when unset. */
    void* (*formGet)(LWXPanelID panel, unsigned int vid);
    void (*formSet)(LWXPanelID panel, unsigned int vid, void* value);
    void (*viewInst)(LWXPanelID panel, void* inst);
    /* Reads every control's value from the instance again. */
    void (*viewRefresh)(LWXPanelID panel);
    /* Shows the panel as a modal dialog: 1 when the user accepts, 0 when
       they cancel. */
    int (*post)(LWXPanelID panel);
} LWXPanelFuncs;

/* Hint tags: 0x3D000000 | number << 8 | count, with 0x80 added when a list of
   control IDs ended by 0 follows the `count` fixed words. */
#define XPTAG_END 0u
#define XPTAG_LABEL 0x3D000B03u         /* ID, text, 0 */
#define XPTAG_FOCUS 0x3D001201u         /* control ID */
#define XPTAG_DESTROYNOTIFY 0x3D001302u /* function, 0 */
#define XPTAG_RANGE 0x3D014304u         /* ID, min, max, step (integers) */
#define XPTAG_SENS 0x3D014402u          /* ID, sensitivity */
#define XPTAG_STRLIST 0x3D014503u       /* ID, null-ended texts, 0 */
#define XPTAG_BUTNOTIFY 0x3D015F02u     /* ID, button function */
#define XPTAG_POPFUNCS 0x3D016203u      /* ID, count function, name function */
#define XPTAG_DRAWCBFUNC 0x3D016502u    /* ID, draw function */
#define XPTAG_CTRLCFG 0x3D017403u       /* ID, 0, option bits */
#define XPTAG_XREQCFG 0x3D019105u       /* ID, mode, title, file type or 0, 0 */
#define XPTAG_LEFT 0x3D021280u          /* IDs, 0 */
#define XPTAG_DIVADD 0x3D021481u        /* ID, 0 */
#define XPTAG_DLOGTYPE 0x3D02BD01u      /* LWXPDLG_ type */

/* The fixed word count and the ID-list flag of a tag. */
#define XPTAG_COUNT_MASK 0x7Fu
#define XPTAG_ID_LIST 0x80u

/* Option bit of XPTAG_CTRLCFG for thumbnails. Hint words are pointer-sized
   and the value is a negative int, so it is sign-extended in the list. */
#define THUM_FULL (1 << 31)

#define LWXPDLG_OKCANCEL 2
#define LWXPDLG_DONE 3
#define LWXPDLG_OKONLY 4
#define LWXPDLG_YESNO 5
#define LWXPDLG_YESNOALL 6
#define LWXPDLG_YESNOCAN 7

/* Modes of XPTAG_XREQCFG. */
#define LWXPREQ_LOAD 0
#define LWXPREQ_SAVE 1
#define LWXPREQ_DIR 2

/* File services. Each global is the function itself. */
#define LWFILEREQFUNC_GLOBAL "File Request"
#define LWFILETYPEFUNC_GLOBAL "File Type Pattern"
#define LWDIRINFOFUNC_GLOBAL "Directory Info 2"

/* Asks the user for a file. `name` holds the file pattern on entry, `path`
   the folder; each buffer holds `bufferLength` bytes. Non-zero when a file was
   chosen, its whole path then in `fullName`. The host marks this service as
   superseded, yet still provides it. */
typedef int LWFileReqFunc(const char* title, char* name, char* path, char* fullName,
                          int bufferLength);
/* The file pattern and the folder for a type of file, such as
   LWFTYPE_SETTING. */
typedef const char* LWFileTypeFunc(const char* fileType);
typedef const char* LWDirInfoFunc(const char* fileType);

#define LWFTYPE_SETTING "Settings"
