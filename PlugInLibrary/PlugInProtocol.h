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
 * Threads: the host calls Render on its audio thread and everything else on other threads. Render
 * allocates nothing and takes no lock; SetControl and GetMeters may run beside it.
 *
 * Controls are numbered from 1. A control's value is a 32-bit integer: the control's minimum is
 * -2^31, its maximum 2^31 - 1, evenly in between. The inner steps of a discrete control sit a
 * millionth of the range above their even positions, so that a receiver that truncates
 * normalised x (steps - 1) lands on the step itself. Chunks are records of a 56-byte PIChunkHeader followed by data; a chunk's size word
 * is its total size in bytes. Four-character codes are 32-bit integers whose first character is
 * the most significant byte.
 */
#ifndef MIRELOW_PLUGIN_PROTOCOL_H
#define MIRELOW_PLUGIN_PROTOCOL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t PIErr;
typedef uint32_t PIFourCC;

/* Results. 0 is success; everything else is an error. */
enum {
    kPINoErr = 0,
    kPIErr_NoMemory = -7003,          /* an allocation failed */
    kPIErr_BadSelector = -9007,       /* routine selector outside 0 ... kPINumRoutines - 1 */
    kPIErr_Unsupported = -9008,       /* reserved routine, or a request the plug-in cannot answer */
    kPIErr_BadIndex = -9009,          /* effect type, control or chunk index out of range */
    kPIErr_BadInstance = -9010,       /* null instance, or no effect group */
    kPIErr_NotInitialized = -9011,    /* instance used before Initialize */
    kPIErr_BadStemFormat = -9012,     /* stem format other than the type's */
    kPIErr_BadChunk = -9013,          /* chunk record too short, wrong size word or bad contents */
    kPIErr_UnknownChunk = -9014,      /* chunk ID the instance does not declare */
    kPIErr_BadArgument = -9015,       /* null pointer, negative length, bad sample rate */
    kPIErr_TempoUnavailable = -9145,  /* tempo interface below level 2 */
    kPIErr_BadOpenVersion = -1        /* WinPlugInOpen with a version other than kPIOpenVersion */
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
    int32_t size;            /* total bytes of the record, header included */
    int32_t version;         /* format version of the data */
    PIFourCC manufacturerID;
    PIFourCC productID;
    PIFourCC typeID;
    PIFourCC chunkID;
    char name[32];           /* NUL-terminated */
} PIChunkHeader;

typedef struct PIGroupInfo {
    char manufacturerNames[64]; /* names separated by line breaks */
    char plugInNames[128];      /* long, medium, short, separated by line breaks */
    PIFourCC manufacturerID;
    int32_t version;
    int32_t numTypes;
    char defaultView[32];       /* name of the registered default view */
} PIGroupInfo;

typedef struct PITypeInfo {
    PIFourCC typeID;
    PIFourCC productID;
    int32_t kind;               /* kPIType_... */
    int32_t inStemFormat, outStemFormat;
    int32_t numInputs, numOutputs;
    int32_t attributes;         /* the type's attribute word */
    char names[128];
    char pageTableName[64];
} PITypeInfo;

typedef struct PIControlInfo {
    PIFourCC id;
    int32_t kind;               /* kPIControl_... */
    char names[64];             /* long and short name separated by a line break */
    double minimum, maximum, step, defaultValue; /* in the control's own units */
    int32_t numSteps;           /* discrete positions (2 for on/off, 0 for continuous) */
    int32_t defaultControlValue;
    int32_t automatable;
    int32_t isMasterBypass;
} PIControlInfo;

typedef struct PIChunkInfo {
    PIFourCC id;
    char name[32];
} PIChunkInfo;

typedef struct PIViewInfo {
    char name[64];  /* the view the plug-in asks for */
    void* view;     /* null while the plug-in shows no view of its own */
} PIViewInfo;

/* The host's tempo interface, handed over at Initialize (may be null). Below level 2 it does not
 * deliver a tempo: the plug-in then keeps the tempo it last had. getTempo runs on the audio
 * thread. */
typedef struct PITempoInterface {
    int32_t level;
    void* context;
    PIErr (*getTempo)(void* context, double* beatsPerMinute);
} PITempoInterface;

typedef struct PIInstance PIInstance; /* opaque */

/* Routine selectors and their types. */
enum {
    kPIRoutine_GetProtocolVersion = 0, /* PIGetProtocolVersionProc */
    kPIRoutine_GetGroupInfo = 1,       /* PIGetGroupInfoProc */
    kPIRoutine_GetGroupGestalt = 2,    /* PIGetGroupGestaltProc */
    kPIRoutine_GetTypeInfo = 3,        /* PIGetTypeInfoProc */
    kPIRoutine_GetTypeGestalt = 4,     /* PIGetTypeGestaltProc */
    kPIRoutine_CreateInstance = 5,     /* PICreateInstanceProc */
    kPIRoutine_DestroyInstance = 6,    /* PIDestroyInstanceProc */
    kPIRoutine_Initialize = 7,         /* PIInitializeProc */
    kPIRoutine_GetNumControls = 8,     /* PIGetCountProc */
    kPIRoutine_GetControlInfo = 9,     /* PIGetControlInfoProc */
    kPIRoutine_SetControl = 10,        /* PISetControlProc */
    kPIRoutine_GetControl = 11,        /* PIGetControlProc */
    kPIRoutine_GetControlText = 12,    /* PIGetControlTextProc */
    kPIRoutine_GetAlgorithmText = 13,  /* PIGetAlgorithmTextProc */
    kPIRoutine_GetAlgorithmValue = 14, /* PIGetAlgorithmValueProc */
    kPIRoutine_GetNumChunks = 15,      /* PIGetCountProc */
    kPIRoutine_GetChunkInfo = 16,      /* PIGetChunkInfoProc */
    kPIRoutine_GetChunkSize = 17,      /* PIGetChunkSizeProc */
    kPIRoutine_GetChunk = 18,          /* PIGetChunkProc */
    kPIRoutine_SetChunk = 19,          /* PISetChunkProc */
    kPIRoutine_Render = 20,            /* PIRenderProc */
    kPIRoutine_GetMeters = 21,         /* PIGetMetersProc */
    kPIRoutine_GetView = 22,           /* PIGetViewProc */
    kPIRoutine_GetLatency = 23,        /* PIGetLatencyProc */
    kPIRoutine_FirstReserved = 24      /* 24 ... 167: PIReservedProc */
};

enum { kPIProtocolVersion = 1 };

typedef PIErr (*PIGetProtocolVersionProc)(int32_t* version);
typedef PIErr (*PIGetGroupInfoProc)(PIGroupInfo* info);
/* *value = 1 when the group declares the gestalt selector, else 0. */
typedef PIErr (*PIGetGroupGestaltProc)(int32_t selector, int32_t* value);
/* Effect types are indexed from 0 in the order the group built them. */
typedef PIErr (*PIGetTypeInfoProc)(int32_t typeIndex, PITypeInfo* info);
typedef PIErr (*PIGetTypeGestaltProc)(int32_t typeIndex, int32_t selector, int32_t* value);
typedef PIErr (*PICreateInstanceProc)(int32_t typeIndex, PIInstance** instance);
typedef PIErr (*PIDestroyInstanceProc)(PIInstance* instance);
/* Once per instance, before anything else: the type's stem format, the sample rate (Hz, whole)
 * and the host's tempo interface (kept by pointer until the instance is destroyed; may be null). */
typedef PIErr (*PIInitializeProc)(PIInstance* instance, int32_t stemFormat, double sampleRate,
                                  const PITempoInterface* tempo);
typedef PIErr (*PIGetCountProc)(PIInstance* instance, int32_t* count);
/* Controls are numbered from 1. */
typedef PIErr (*PIGetControlInfoProc)(PIInstance* instance, int32_t control, PIControlInfo* info);
/* Out-of-range values of a discrete control snap to the nearest step. */
typedef PIErr (*PISetControlProc)(PIInstance* instance, int32_t control, int32_t value);
typedef PIErr (*PIGetControlProc)(PIInstance* instance, int32_t control, int32_t* value);
/* The control's own text for a value, in its units ("0.50", "-6.0 dB", "on"). */
typedef PIErr (*PIGetControlTextProc)(PIInstance* instance, int32_t control, int32_t value,
                                      char* text, int32_t size);
/* What the effect behind the control shows now: its display text and label ("3.00 dB"). */
typedef PIErr (*PIGetAlgorithmTextProc)(PIInstance* instance, int32_t control, char* text,
                                        int32_t size);
/* The effect's current normalised value (0 ... 1) of the parameter behind the control. */
typedef PIErr (*PIGetAlgorithmValueProc)(PIInstance* instance, int32_t control, float* value);
/* Chunks are indexed from 0; the controls chunk comes first. */
typedef PIErr (*PIGetChunkInfoProc)(PIInstance* instance, int32_t index, PIChunkInfo* info);
typedef PIErr (*PIGetChunkSizeProc)(PIInstance* instance, PIFourCC chunkID, int32_t* size);
/* Fills a record of capacity bytes (at least the chunk's size). */
typedef PIErr (*PIGetChunkProc)(PIInstance* instance, PIFourCC chunkID, PIChunkHeader* record,
                                int32_t capacity);
/* length: the bytes the host holds at record. A record whose size word disagrees with what the
 * chunk needs, or longer than length, is refused with kPIErr_BadChunk and changes nothing. */
typedef PIErr (*PISetChunkProc)(PIInstance* instance, PIFourCC chunkID,
                                const PIChunkHeader* record, int32_t length);
/* One block of any length: one buffer per channel of the stem format. Audio thread. */
typedef PIErr (*PIRenderProc)(PIInstance* instance, float** inputs, float** outputs,
                              int32_t frames);
/* One meter value (0 ... 2^31 - 1, or -1 when clipping) and clip flag per channel; count is the
 * room in both arrays. */
typedef PIErr (*PIGetMetersProc)(PIInstance* instance, int32_t* values, int32_t* clips,
                                 int32_t count);
typedef PIErr (*PIGetViewProc)(PIInstance* instance, PIViewInfo* view);
/* The plug-in's delay in samples. */
typedef PIErr (*PIGetLatencyProc)(PIInstance* instance, int32_t* samples);
typedef PIErr (*PIReservedProc)(void);

/* Exports of a plug-in library. */
typedef int16_t (*PIWinPlugInOpenProc)(int32_t version);
typedef int16_t (*PIWinPlugInCloseProc)(void);
typedef PIErr (*PINewPlugInProc)(void* unused);
typedef PIErr (*PIGetRoutineDescriptorProc)(int32_t selector, void** routine);

/* Exported by the host process (optional); the plug-in hands it its open and close procedures at
 * load and the host calls them (through WinPlugInOpen/WinPlugInClose). */
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

/* Four-character code: first character in the most significant byte. */
constexpr PIFourCC PIFourCharCode(const char (&c)[5]) {
    return (static_cast<PIFourCC>(static_cast<unsigned char>(c[0])) << 24) |
           (static_cast<PIFourCC>(static_cast<unsigned char>(c[1])) << 16) |
           (static_cast<PIFourCC>(static_cast<unsigned char>(c[2])) << 8) |
           static_cast<PIFourCC>(static_cast<unsigned char>(c[3]));
}
#endif

#endif
