/* The host-facing protocol of a Mirelow Pro Tools plug-in library: the C entry points, the
 * records the host and the plug-in exchange, and the numbered routines the host fetches through
 * _PI_GetRoutineDescriptor. The plug-in framework implements it; the host simulator calls it.
 *
 * How a host drives a plug-in library
 * -----------------------------------
 *  1. dlopen() the library. Its load notification looks up SetPlugInOpenAndCloseProcs in the
 *     already loaded process (RTLD_DEFAULT). A host that exports it receives the plug-in's open
 *     and close procedures; otherwise the plug-in opens itself at load.
 *  2. WinPlugInOpen(kPIOpenVersion) runs the open procedure (opens nest: only the first one builds
 *     the effect group). Any other version answers -1.
 *  3. _PI_GetRoutineDescriptor(selector, &routine) for selectors 0 ... kPINumRoutines - 1 gives the
 *     routines below; any other selector answers kPIErr_BadSelector (-9007) and a null routine.
 *     Every selector without a meaning here leads to a routine of type PIReservedProc that answers
 *     kPIErr_Unsupported.
 *  4. Describe the group and its effect types, create instances of a type, initialise each with
 *     the type's stem format, a sample rate and the host's tempo interface, then set controls,
 *     render blocks, read meters and save or restore chunks; destroy the instances.
 *  5. WinPlugInClose() once per WinPlugInOpen, then dlclose(); the last close destroys the group.
 *
 * How a host shows a plug-in's own view (its editor)
 * --------------------------------------------------
 *  1. SetAutomationInterface hands the instance the host's automation callbacks (optional).
 *  2. GetView: the first request makes the view; its name and a non-null view object say that the
 *     plug-in draws a view of its own. GetViewRect gives its size.
 *  3. OpenView(X11 window of the host's plug-in window): the plug-in places its window inside it
 *     (centred horizontally, on the bottom edge). Or OpenViewOffscreen: drawn into memory only,
 *     for pictures (GetViewPicture) and hosts without a display.
 *  4. IdleView about 30 times a second: the view reads its events, follows the effect and repaints
 *     what changed. DrawView when the host wants a part of the window redrawn.
 *  5. Edits with the mouse reach the host as touchControl, setControlValue, releaseControl
 *     (PIAutomationInterface): the host records them on the control's automation lane and sets
 *     the control back through SetControl; the view then shows the value the control took.
 *     Without an automation interface an edit sets the control directly.
 *  6. CloseView before the host's window goes; DestroyInstance closes a view left open.
 * Every view routine runs on the host's user-interface thread, one thread for all of them.
 *
 * Threads: the host calls Render on its audio thread and everything else on other threads. Render
 * allocates nothing and takes no lock; SetControl and GetMeters may run beside it.
 *
 * Controls are numbered from 1. A control's value is a 32-bit integer: the control's minimum is
 * -2^31, its maximum 2^31 - 1, evenly in between; the plug-in hands the effect behind it
 * (c + 2^31) / (2^32 - 1). Every value a discrete control is given snaps to its nearest step, and
 * its inner steps sit a millionth of the range above their even positions, so that a receiver
 * that truncates normalised x (steps - 1) lands on the step itself. On/off controls snap to the
 * two extremes (0 and above is on).
 *
 * Chunks are records of a 56-byte PIChunkHeader followed by data; a chunk's size word is its
 * total size in bytes. Four-character codes are 32-bit integers whose first character is the
 * most significant byte.
 *
 * Every routine answers a PIErr: kPINoErr, or the error named with it below. The instance
 * routines answer kPIErr_BadInstance for a null instance and kPIErr_NotInitialized before
 * Initialize (except Initialize and DestroyInstance); group and type routines answer
 * kPIErr_BadInstance while the plug-in is closed; a null out pointer answers kPIErr_BadArgument.
 */
#ifndef MIRELOW_PLUGIN_PROTOCOL_H
#define MIRELOW_PLUGIN_PROTOCOL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t PIErr;
typedef uint32_t PIFourCC;

typedef struct PIInstance PIInstance; /* opaque */

/* Results. 0 is success; everything else is an error. */
enum {
    kPINoErr = 0,
    kPIErr_NoMemory = -7003,       /* an allocation failed */
    kPIErr_BadSelector = -9007,    /* routine selector outside 0 ... kPINumRoutines - 1 */
    kPIErr_Unsupported = -9008,    /* reserved routine, or a request the plug-in cannot answer */
    kPIErr_BadIndex = -9009,       /* effect type, control or chunk index out of range */
    kPIErr_BadInstance = -9010,    /* null instance, or no effect group */
    kPIErr_NotInitialized = -9011, /* instance used before Initialize */
    kPIErr_BadStemFormat = -9012,  /* stem format other than the type's */
    kPIErr_BadChunk = -9013,       /* chunk record too short, wrong size word or bad contents */
    kPIErr_UnknownChunk = -9014,   /* chunk ID the instance does not declare */
    kPIErr_BadArgument = -9015,    /* null pointer, negative length, bad sample rate */
    kPIErr_ViewFailed = -9016,     /* the view cannot open: zero or bad parent window, no display */
    kPIErr_NoView = -9017,         /* view routine before GetView made a view */
    kPIErr_TempoUnavailable = -9145, /* tempo interface below level 2 */
    kPIErr_BadOpenVersion = -1       /* WinPlugInOpen with a version other than kPIOpenVersion */
};

enum { kPIOpenVersion = 73, kPINumRoutines = 168 };

/* Stem formats: the channel layouts of an effect type. */
enum { kPIStemFormat_Mono = 0, kPIStemFormat_Stereo = 1 };

/* Control kinds (PIControlInfo.kind). */
enum {
    kPIControl_OnOff = 1,      /* off = minimum, on = maximum */
    kPIControl_Linear = 2,     /* min ... max, linear in the 32-bit value */
    kPIControl_LinearGain = 3, /* as Linear, in dB */
    kPIControl_Discrete = 4    /* numSteps whole steps from min by step */
};

/* Effect-type kinds (PITypeInfo.kind). */
enum { kPIType_RTAS = 1 };

/* The plug-in chunk record's header: 56 bytes, words in the machine's byte order. The data that
 * follows is the plug-in's (big-endian where it holds numbers). */
typedef struct PIChunkHeader {
    int32_t size;    /* total bytes of the record, header included */
    int32_t version; /* format version of the data */
    PIFourCC manufacturerID;
    PIFourCC productID;
    PIFourCC typeID;
    PIFourCC chunkID;
    char name[32]; /* NUL-terminated */
} PIChunkHeader;

typedef struct PIGroupInfo {
    char manufacturerNames[64]; /* names separated by line breaks */
    char plugInNames[128];      /* long, medium, short, separated by line breaks */
    PIFourCC manufacturerID;
    int32_t version;
    int32_t numTypes;
    char defaultView[32]; /* name of the registered default view */
} PIGroupInfo;

typedef struct PITypeInfo {
    PIFourCC typeID;
    PIFourCC productID;
    int32_t kind; /* kPIType_... */
    int32_t inStemFormat, outStemFormat;
    int32_t numInputs, numOutputs;
    int32_t attributes; /* the type's attribute word */
    char names[128];
    char pageTableName[64];
} PITypeInfo;

typedef struct PIControlInfo {
    PIFourCC id;
    int32_t kind;                                /* kPIControl_... */
    char names[64];                              /* long and short name separated by a line break */
    double minimum, maximum, step, defaultValue; /* in the control's own units */
    int32_t numSteps; /* discrete positions (2 for on/off, 0 for continuous) */
    int32_t defaultControlValue;
    int32_t automatable;
    int32_t isMasterBypass;
} PIControlInfo;

typedef struct PIChunkInfo {
    PIFourCC id;
    char name[32];
} PIChunkInfo;

/* A rectangle of a view, in pixels of the plug-in window: left and top inclusive, right and bottom
 * exclusive. */
typedef struct PIViewRect {
    int16_t left, top, right, bottom;
} PIViewRect;

/* The host's buffer for a view's picture: width x height pixels as 32-bit words 0x00RRGGBB, rows
 * top to bottom, stride bytes apart (at least 4 x width). */
typedef struct PIViewPicture {
    int32_t width, height;
    int32_t stride;
    uint32_t* pixels;
} PIViewPicture;

/* The host's automation, handed over with SetAutomationInterface (may be null). The plug-in's view
 * calls it on the user-interface thread while the user edits a control with the mouse:
 * touchControl at the start of a gesture, setControlValue for every value the control is to take,
 * releaseControl at the end; editNotification is one further notice about an edit that a host may
 * ignore. The host records what it is told and sets the control through SetControl, before
 * setControlValue returns or later from any thread; the view shows the value once the control has
 * it. Answers are PIErrs; the plug-in ignores them. */
typedef struct PIAutomationInterface {
    void* context;
    PIErr (*touchControl)(void* context, PIInstance* instance, int32_t control);
    PIErr (*setControlValue)(void* context, PIInstance* instance, int32_t control, int32_t value);
    PIErr (*releaseControl)(void* context, PIInstance* instance, int32_t control);
    PIErr (*editNotification)(void* context, PIInstance* instance, int32_t control);
} PIAutomationInterface;

typedef struct PIViewInfo {
    char name[64]; /* the view the plug-in asks for */
    void* view;    /* null while the plug-in shows no view of its own */
} PIViewInfo;

/* The host's tempo interface, handed over at Initialize (may be null). Below level 2 it does not
 * deliver a tempo: the plug-in then keeps the tempo it last had. getTempo runs on the audio
 * thread. */
typedef struct PITempoInterface {
    int32_t level;
    void* context;
    PIErr (*getTempo)(void* context, double* beatsPerMinute);
} PITempoInterface;

/* Routine selectors; the routine of each has the type named beside it. */
enum {
    kPIRoutine_GetProtocolVersion = 0,      /* PIGetProtocolVersionProc */
    kPIRoutine_GetGroupInfo = 1,            /* PIGetGroupInfoProc */
    kPIRoutine_GetGroupGestalt = 2,         /* PIGetGroupGestaltProc */
    kPIRoutine_GetTypeInfo = 3,             /* PIGetTypeInfoProc */
    kPIRoutine_GetTypeGestalt = 4,          /* PIGetTypeGestaltProc */
    kPIRoutine_CreateInstance = 5,          /* PICreateInstanceProc */
    kPIRoutine_DestroyInstance = 6,         /* PIDestroyInstanceProc */
    kPIRoutine_Initialize = 7,              /* PIInitializeProc */
    kPIRoutine_GetNumControls = 8,          /* PIGetCountProc */
    kPIRoutine_GetControlInfo = 9,          /* PIGetControlInfoProc */
    kPIRoutine_SetControl = 10,             /* PISetControlProc */
    kPIRoutine_GetControl = 11,             /* PIGetControlProc */
    kPIRoutine_GetControlText = 12,         /* PIGetControlTextProc */
    kPIRoutine_GetAlgorithmText = 13,       /* PIGetAlgorithmTextProc */
    kPIRoutine_GetAlgorithmValue = 14,      /* PIGetAlgorithmValueProc */
    kPIRoutine_GetNumChunks = 15,           /* PIGetCountProc */
    kPIRoutine_GetChunkInfo = 16,           /* PIGetChunkInfoProc */
    kPIRoutine_GetChunkSize = 17,           /* PIGetChunkSizeProc */
    kPIRoutine_GetChunk = 18,               /* PIGetChunkProc */
    kPIRoutine_SetChunk = 19,               /* PISetChunkProc */
    kPIRoutine_Render = 20,                 /* PIRenderProc */
    kPIRoutine_GetMeters = 21,              /* PIGetMetersProc */
    kPIRoutine_GetView = 22,                /* PIGetViewProc */
    kPIRoutine_GetLatency = 23,             /* PIGetLatencyProc */
    kPIRoutine_SetAutomationInterface = 24, /* PISetAutomationInterfaceProc */
    kPIRoutine_GetViewRect = 25,            /* PIGetViewRectProc */
    kPIRoutine_SetViewRect = 26,            /* PISetViewRectProc */
    kPIRoutine_OpenView = 27,               /* PIOpenViewProc */
    kPIRoutine_OpenViewOffscreen = 28,      /* PIViewProc */
    kPIRoutine_CloseView = 29,              /* PIViewProc */
    kPIRoutine_IdleView = 30,               /* PIViewProc */
    kPIRoutine_DrawView = 31,               /* PIDrawViewProc */
    kPIRoutine_SetControlHighlight = 32,    /* PISetControlHighlightProc */
    kPIRoutine_GetControlAtPoint = 33,      /* PIGetControlAtPointProc */
    kPIRoutine_GetViewPicture = 34,         /* PIGetViewPictureProc */
    kPIRoutine_FirstReserved = 35           /* 35 ... 167: PIReservedProc */
};

enum { kPIProtocolVersion = 1 };

/* 0 GetProtocolVersion: *version = kPIProtocolVersion. A host refuses a library that speaks
 * another version. Answers even while the plug-in is closed. */
typedef PIErr (*PIGetProtocolVersionProc)(int32_t* version);

/* 1 GetGroupInfo: the plug-in's names, manufacturer, version, number of effect types and the
 * name of its default view. */
typedef PIErr (*PIGetGroupInfoProc)(PIGroupInfo* info);

/* 2 GetGroupGestalt: *value = 1 when the group declares the gestalt selector, else 0. */
typedef PIErr (*PIGetGroupGestaltProc)(int32_t selector, int32_t* value);

/* 3 GetTypeInfo: effect type typeIndex, counted from 0 in the order the group built them (IDs,
 * kind, stem formats and channel counts, attribute word, names, page-table name).
 * kPIErr_BadIndex outside 0 ... numTypes - 1. */
typedef PIErr (*PIGetTypeInfoProc)(int32_t typeIndex, PITypeInfo* info);

/* 4 GetTypeGestalt: *value = 1 when effect type typeIndex declares the gestalt selector, else 0.
 * kPIErr_BadIndex for a bad type. */
typedef PIErr (*PIGetTypeGestaltProc)(int32_t typeIndex, int32_t selector, int32_t* value);

/* 5 CreateInstance: a new instance (process) of effect type typeIndex in *instance (null on
 * failure). kPIErr_BadIndex for a bad type, kPIErr_NoMemory when it cannot be built. The
 * instance does nothing but Initialize and DestroyInstance until it is initialised. */
typedef PIErr (*PICreateInstanceProc)(int32_t typeIndex, PIInstance** instance);

/* 6 DestroyInstance: frees the instance and everything it owns; the handle is dead afterwards. */
typedef PIErr (*PIDestroyInstanceProc)(PIInstance* instance);

/* 7 Initialize: once per instance, before anything else: the type's stem format, the sample rate
 * (Hz, 1000 ... 1536000, rounded to a whole number) and the host's tempo interface (kept by
 * pointer until the instance is destroyed; may be null). The instance builds its controls here
 * and then hands every control's value to its effect, so a new instance sounds as its controls
 * show. kPIErr_BadStemFormat for a stem format other than the type's, kPIErr_BadArgument for a
 * sample rate out of range. A second call changes nothing and answers kPINoErr. */
typedef PIErr (*PIInitializeProc)(PIInstance* instance, int32_t stemFormat, double sampleRate,
                                  const PITempoInterface* tempo);

/* 8 GetNumControls, 15 GetNumChunks: how many controls (numbered 1 ... count) or chunks (indexed
 * 0 ... count - 1) the instance declares. */
typedef PIErr (*PIGetCountProc)(PIInstance* instance, int32_t* count);

/* 9 GetControlInfo: control number control's ID, kind, names, range, step, default, whether it is
 * automatable and whether it is the master bypass. kPIErr_BadIndex outside 1 ... count. */
typedef PIErr (*PIGetControlInfoProc)(PIInstance* instance, int32_t control, PIControlInfo* info);

/* 10 SetControl: sets the control's 32-bit value (snapped as described above) and passes it on to
 * the effect at once. kPIErr_BadIndex for a bad control number. Any thread but the audio one. */
typedef PIErr (*PISetControlProc)(PIInstance* instance, int32_t control, int32_t value);

/* 11 GetControl: the control's current 32-bit value. kPIErr_BadIndex for a bad control number. */
typedef PIErr (*PIGetControlProc)(PIInstance* instance, int32_t control, int32_t* value);

/* 12 GetControlText: the control's own text for a value, in its units ("0.50", "-6.0 dB", "on",
 * "3"), cut to size bytes with its terminator. kPIErr_BadIndex for a bad control number,
 * kPIErr_BadArgument for a null text or a size below 1. */
typedef PIErr (*PIGetControlTextProc)(PIInstance* instance, int32_t control, int32_t value,
                                      char* text, int32_t size);

/* 13 GetAlgorithmText: what the effect behind the control shows now, its display text and label
 * ("3.00 dB"); empty where the effect shows nothing. Errors as GetControlText. */
typedef PIErr (*PIGetAlgorithmTextProc)(PIInstance* instance, int32_t control, char* text,
                                        int32_t size);

/* 14 GetAlgorithmValue: the effect's current normalised value (0 ... 1) of the parameter behind
 * the control (it may differ from the control: an LFO moves the filter position). */
typedef PIErr (*PIGetAlgorithmValueProc)(PIInstance* instance, int32_t control, float* value);

/* 16 GetChunkInfo: chunk index's ID and name; the controls chunk ("Complete Controls State")
 * comes first. kPIErr_BadIndex outside 0 ... count - 1. */
typedef PIErr (*PIGetChunkInfoProc)(PIInstance* instance, int32_t index, PIChunkInfo* info);

/* 17 GetChunkSize: the total size of the chunk's record, header included.
 * kPIErr_UnknownChunk for an ID the instance does not declare. */
typedef PIErr (*PIGetChunkSizeProc)(PIInstance* instance, PIFourCC chunkID, int32_t* size);

/* 18 GetChunk: fills a record of capacity bytes (at least the chunk's size) with the header (size
 * word, version, manufacturer, product and type IDs, chunk ID and name) and the data.
 * kPIErr_UnknownChunk for an undeclared ID, kPIErr_BadArgument for a null record or too small a
 * capacity. */
typedef PIErr (*PIGetChunkProc)(PIInstance* instance, PIFourCC chunkID, PIChunkHeader* record,
                                int32_t capacity);

/* 19 SetChunk: restores a chunk; length is the bytes the host holds at record, and nothing past
 * them is read. A record shorter than its header, whose size word disagrees with what the chunk
 * needs or exceeds length, or whose data is unsound (a count that does not fit, a NaN or
 * infinite value) is refused with kPIErr_BadChunk and changes nothing. kPIErr_UnknownChunk for
 * an undeclared ID. A session is restored by setting the controls chunk first, then the others. */
typedef PIErr (*PISetChunkProc)(PIInstance* instance, PIFourCC chunkID, const PIChunkHeader* record,
                                int32_t length);

/* 20 Render: one block of any length (0 does nothing): one input and one output buffer per
 * channel of the stem format (an output may be its own channel's input). Before processing, the
 * plug-in asks the tempo interface for the tempo and applies the sample rate and the master
 * bypass. Audio thread: no allocation, no lock. kPIErr_BadArgument for null buffers or a
 * negative length. */
typedef PIErr (*PIRenderProc)(PIInstance* instance, float** inputs, float** outputs,
                              int32_t frames);

/* 21 GetMeters: one meter value (0 ... 2^31 - 1 for 0 ... full scale, or -1 when clipping) and
 * one clip flag per channel since the last request; count is the room in both arrays
 * (kPIErr_BadArgument below the channel count). Each request lets the held peaks decay. */
typedef PIErr (*PIGetMetersProc)(PIInstance* instance, int32_t* values, int32_t* clips,
                                 int32_t count);

/* 22 GetView: the name of the view the plug-in asks for and its view object, null while the
 * plug-in shows no view of its own. A plug-in with a view of its own makes it on the first
 * request (the routines 25 ... 34 act on it); a plug-in whose view cannot be made answers as one
 * without. User-interface thread. */
typedef PIErr (*PIGetViewProc)(PIInstance* instance, PIViewInfo* view);

/* 23 GetLatency: the plug-in's delay in samples, to be compensated by the host. */
typedef PIErr (*PIGetLatencyProc)(PIInstance* instance, int32_t* samples);

/* 24 SetAutomationInterface: the host's automation callbacks, kept by pointer until the instance
 * is destroyed or another (or null) is set. */
typedef PIErr (*PISetAutomationInterfaceProc)(PIInstance* instance,
                                              const PIAutomationInterface* automation);

/* The view routines 25 ... 34 run on the user-interface thread and answer kPIErr_NoView before
 * GetView made a view. */

/* 25 GetViewRect, 26 SetViewRect: the view's rectangle (its editor's size; SetViewRect stores
 * another). */
typedef PIErr (*PIGetViewRectProc)(PIInstance* instance, PIViewRect* rect);
typedef PIErr (*PISetViewRectProc)(PIInstance* instance, const PIViewRect* rect);

/* 27 OpenView: opens the view in the host's X11 window parentWindow (on the display DISPLAY
 * names). The view's own window, as large as the view, is placed at x = (W - w) / 2 when the
 * window's width W differs from the view's width w (else at the view's left) and y = H - h, on
 * the bottom edge of a window of height H. kPIErr_ViewFailed for a zero or invalid window or
 * when no display can be opened; the view then stays closed. An open view is closed first. */
typedef PIErr (*PIOpenViewProc)(PIInstance* instance, uint64_t parentWindow);

/* 28 OpenViewOffscreen: opens the view drawn into memory only (no window, no display needed); it
 * paints on IdleView and DrawView, and GetViewPicture reads it. 29 CloseView: closes an open view
 * (nothing when closed). 30 IdleView: the view's periodic work: control values changed since the
 * last call, its events, what follows the effect, repainting. */
typedef PIErr (*PIViewProc)(PIInstance* instance);

/* 31 DrawView: repaints that part of an open view now. */
typedef PIErr (*PIDrawViewProc)(PIInstance* instance, const PIViewRect* rect);

/* 32 SetControlHighlight: a control surface shows control as highlighted (or not) in a colour;
 * the view may mark it. 33 GetControlAtPoint: the control under a point of the view, 0 for none. */
typedef PIErr (*PISetControlHighlightProc)(PIInstance* instance, int32_t control,
                                           int32_t highlighted, int32_t colour);
typedef PIErr (*PIGetControlAtPointProc)(PIInstance* instance, int32_t x, int32_t y,
                                         int32_t* control);

/* 34 GetViewPicture: copies the open view's picture as last painted into the host's buffer and
 * sets width and height to the view's size. kPIErr_BadArgument when the buffer is smaller than the
 * view or its stride below 4 x width; kPIErr_ViewFailed while the view is closed. */
typedef PIErr (*PIGetViewPictureProc)(PIInstance* instance, PIViewPicture* picture);

/* 35 ... 167: reserved; each answers kPIErr_Unsupported. */
typedef PIErr (*PIReservedProc)(void);

/* Exports of a plug-in library.
 * WinPlugInOpen: with kPIOpenVersion, runs the open procedure and answers its result as a 16-bit
 *   code (0, or kPIErr_NoMemory when the group cannot be built); any other version answers
 *   kPIErr_BadOpenVersion and opens nothing. Opens nest: only the first builds the group.
 * WinPlugInClose: runs the close procedure; the close that balances the first open destroys the
 *   group; a close with nothing open changes nothing. Answers 0.
 * NewPlugIn: builds the effect group (the open procedure calls it; the argument is ignored);
 *   kPIErr_NoMemory when it cannot; while a group exists it keeps it and answers 0.
 * _PI_GetRoutineDescriptor: *routine = the routine of the selector (see the selectors above) and
 *   0, or a null *routine and kPIErr_BadSelector outside 0 ... kPINumRoutines - 1. */
typedef int16_t (*PIWinPlugInOpenProc)(int32_t version);
typedef int16_t (*PIWinPlugInCloseProc)(void);
typedef PIErr (*PINewPlugInProc)(void* unused);
typedef PIErr (*PIGetRoutineDescriptorProc)(int32_t selector, void** routine);

/* Exported by the host process (optional); the plug-in hands it its open and close procedures at
 * load and the host calls them (through WinPlugInOpen/WinPlugInClose). Without it, the plug-in
 * runs its open procedure at load and its close procedure at unload. */
typedef PIErr (*PIOpenProc)(void);
typedef PIErr (*PICloseProc)(void);
typedef PIErr (*PISetPlugInOpenAndCloseProcsProc)(PIOpenProc open, PICloseProc close);

#define PI_EXPORT_WIN_PLUGIN_OPEN "WinPlugInOpen"
#define PI_EXPORT_WIN_PLUGIN_CLOSE "WinPlugInClose"
#define PI_EXPORT_NEW_PLUGIN "NewPlugIn"
#define PI_EXPORT_GET_ROUTINE_DESCRIPTOR "_PI_GetRoutineDescriptor"
#define PI_HOST_EXPORT_SET_OPEN_CLOSE "SetPlugInOpenAndCloseProcs"

#ifdef __cplusplus
}

static_assert(sizeof(PIChunkHeader) == 56, "the chunk header record is 56 bytes");

/* Four-character codes in C++: fourCharCode("MRLW"). */
#include "engine/ByteOrder.h"
#endif

#endif
