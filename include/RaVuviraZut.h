/*
 * RaVuviraZut.h - the interface of the update component RaVuviraZut.dll for host programs.
 *
 * A host loads the library, fills an UpdateRequest and calls VuAutoUpdate2. The call returns at
 * once; the job runs on a worker thread and reports every step through the request's Callback.
 * The callback always runs on the thread that loaded the library, one call at a time, while that
 * thread dispatches window messages (on Linux: while it calls VuDispatchNotifications).
 *
 * Records are little-endian, packed, with fixed-width ANSI text fields that are read up to their
 * first NUL or their full width. All exports use the stdcall convention on Windows.
 */
#ifndef RAVUVIRAZUT_H
#define RAVUVIRAZUT_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define VU_CALL __stdcall
#else
#define VU_CALL
#endif

/* The host's notification function. Kind is a status code (VU_EVENT_...), Code and Value its two
 * parameters, Text a NUL-terminated ANSI text valid only during the call (null for some kinds),
 * Context the Context field of the request that started the worker. The result is ignored. */
typedef int32_t(VU_CALL* HostCallback)(int32_t Kind, int32_t Code, int32_t Value, const char* Text,
                                        int32_t Context);

#pragma pack(push, 1)

/* The request of an update job (VuAutoUpdate2) or a version list fetch (VuGetVersion). */
typedef struct UpdateRequest {
    int32_t Context;        /* handed back as the last argument of every callback */
    int32_t Flags;          /* bit 28 (VU_FLAG_DOWNLOAD_ONLY): download into the cache only */
    char ProductName[40];
    char Version[20];       /* the installed version of the product */
    char ListUrl[260];      /* package list URL, optionally "#" and a subfolder ("*" for "\") */
    char Reserved[260];     /* copied, never read */
    HostCallback Callback;  /* null: no notifications */
    uint16_t VersionCheck;  /* low four bits all set: run the server version check */
    uint16_t DiffPatch;     /* low four bits all set: run the differential patch stage */
} UpdateRequest;

/* The older, shorter request (VuAutoUpdate). */
typedef struct LegacyUpdateRequest {
    int32_t Context;
    int32_t Flags;
    char ProductName[40];
    char Version[20];
    char ListUrl[80];
    HostCallback Callback;
    uint8_t DiffPatch;
    uint8_t Unused;
    uint16_t VersionCheck;
} LegacyUpdateRequest;

/* The in/out record of VuCheckVersion. */
typedef struct VersionQuery {
    char ProductName[260];   /* in: the section of the version list */
    char CurrentVersion[20]; /* in: the host's version */
    char EntryVersion[20];   /* out: part 1 of the entry found */
    char Reserved[20];       /* neither read nor written */
    char ListVersion[20];    /* out: the section's "Version" value */
    char EntryUrl[260];      /* in/out: the caller's text with the entry's address appended */
    char EntryExtra[260];    /* out: part 3 of the entry */
} VersionQuery;

#pragma pack(pop)

#define VU_FLAG_DOWNLOAD_ONLY 0x10000000

/* Results of VuCheckVersion. */
enum {
    VU_CHECK_UPDATE_FOUND = 0, /* an entry for CurrentVersion, or the fallback entry */
    VU_CHECK_UP_TO_DATE = 3,   /* CurrentVersion equals the list's version */
    VU_CHECK_NO_ENTRY = 4,     /* no section, or no entry that applies */
    VU_CHECK_NO_LIST = 6       /* no saved list, or the saved file was changed or removed */
};

/* Notification kinds (the Kind argument of HostCallback). */
enum {
    VU_EVENT_JOB_STARTED = 0x00000000,
    VU_EVENT_ANALYSIS_BEGIN = 0x01000001,
    VU_EVENT_ANALYSIS_END = 0x01000002,
    VU_EVENT_ANALYSIS_LINE = 0x01000003,
    VU_EVENT_ANALYSIS_LINE_AGAIN = 0x01000004,
    VU_EVENT_ANALYSIS_DECIDED = 0x01000005,
    VU_EVENT_DOWNLOAD_BEGIN = 0x02000001,
    VU_EVENT_DOWNLOAD_END = 0x02000002,
    VU_EVENT_DOWNLOAD_FILE = 0x02000003,
    VU_EVENT_DOWNLOAD_PROGRESS = 0x02000004,
    VU_EVENT_DOWNLOAD_FILE_DONE = 0x02000005,
    VU_EVENT_RUN_BEGIN = 0x03000001,
    VU_EVENT_RUN_END = 0x03000002,
    VU_EVENT_RUN_PROGRAM = 0x03000003,
    VU_EVENT_RUN_PROGRAM_DONE = 0x03000004,
    VU_EVENT_UNPACK = 0x04000000,
    VU_EVENT_VERSION_IN_RANGE = 0x05000000,
    VU_EVENT_PATCH_ITEM = 0x06000000,
    VU_EVENT_PATCH_BEGIN = 0x06000001,
    VU_EVENT_PATCH_END = 0x06000002,
    VU_EVENT_PLACE_BEGIN = 0x08000000,
    VU_EVENT_PLACE_FILE = 0x08000001,
    VU_EVENT_PLACE_FILE_DONE = 0x08000002,
    VU_EVENT_PLACE_END = 0x08000004,
    VU_EVENT_JOB_ENDED = 0x0F000000,
    VU_EVENT_VERSION_LIST_ENDED = 0x10000000
};

/* Result and failure codes (the Code of VU_EVENT_JOB_ENDED and VU_EVENT_VERSION_LIST_ENDED). */
enum {
    VU_RESULT_NOTHING_TO_UPDATE = 0x00000000,
    VU_RESULT_UPDATED = 0x0E000000,          /* Value: the number of files that needed work */
    VU_RESULT_FAILED = 0x0E000001,
    VU_RESULT_LIST_FAILED = 0x0E000002,
    VU_RESULT_FILE_FAILED = 0x0E000003,
    VU_RESULT_UNPACK_FAILED = 0x0E000004,
    VU_RESULT_INTERRUPTED_10 = 0x0E000010,
    VU_RESULT_INTERRUPTED_11 = 0x0E000011,
    VU_RESULT_INTERRUPTED_12 = 0x0E000012,
    VU_RESULT_INTERRUPTED_14 = 0x0E000014,
    VU_RESULT_INTERRUPTED_1F = 0x0E00001F,
    VU_RESULT_VERSION_NOT_RIGHT = 0x0E000100,
    VU_RESULT_VERSION_LIST_FAILED = 0x0E000101,
    VU_RESULT_VERSION_LIST_NOT_SAVED = 0x0E000102,
    VU_RESULT_PATCH_FAILED = 0x0E001000,
    VU_RESULT_PATCH_SOURCE_MISSING = 0x0E001002
};

/* Ordinal 1: looks the query up in the last saved version list; 0, 3, 4 or 6. */
int32_t VU_CALL VuCheckVersion(VersionQuery* query);
/* Ordinal 2: fetches the version list of request->ListUrl in the background. Returns 0. */
int32_t VU_CALL VuGetVersion(int32_t ignored, const UpdateRequest* request);
/* Ordinal 3: copies an option ("LimitSpeed", "DownloadPath", "CurrentSpeed") with its NUL into
 * buffer; an unknown key leaves the buffer untouched. Returns 0. */
int32_t VU_CALL VuGetOption(const char* name, char* buffer, int32_t ignored);
/* Ordinal 4: sets "LimitSpeed" (bytes per second) or "DownloadPath". Returns 0. */
int32_t VU_CALL VuSetOption(const char* name, const char* value);
/* Ordinal 5: asks the current job to stop; does not wait. */
void VU_CALL VuStopUpdate(void);
/* Ordinal 6: starts an update job, replacing (and silencing) the current one. Returns 0. */
int32_t VU_CALL VuAutoUpdate2(int32_t ignored, const UpdateRequest* request);
/* Ordinal 7: the same for the older request record. Returns 0. */
int32_t VU_CALL VuAutoUpdate(int32_t ignored, const LegacyUpdateRequest* request);

#if !defined(_WIN32)
/* Linux build only. Runs, on the calling thread, the notifications and worker releases that
 * are waiting for the thread that loaded the library, and returns how many it ran. A host calls
 * it from its loop on that thread, as a Windows host dispatches window messages. */
int32_t VuDispatchNotifications(void);
#endif

/* The layout is part of the interface: checked wherever this header is compiled. */
#ifdef __cplusplus
#define VU_STATIC_ASSERT static_assert
#else
#define VU_STATIC_ASSERT _Static_assert
#endif
/* On 32-bit Windows (the product) the records are 596 and 156 bytes; a 64-bit Linux build has an
 * 8-byte Callback, which moves the fields after it by 4 bytes. */
#define VU_POINTER_GROWTH (sizeof(void*) - 4)
VU_STATIC_ASSERT(sizeof(UpdateRequest) == 596 + VU_POINTER_GROWTH, "UpdateRequest size");
VU_STATIC_ASSERT(offsetof(UpdateRequest, Callback) == 588, "UpdateRequest.Callback");
VU_STATIC_ASSERT(offsetof(UpdateRequest, VersionCheck) == 592 + VU_POINTER_GROWTH,
                 "UpdateRequest.VersionCheck");
VU_STATIC_ASSERT(offsetof(UpdateRequest, DiffPatch) == 594 + VU_POINTER_GROWTH,
                 "UpdateRequest.DiffPatch");
VU_STATIC_ASSERT(sizeof(LegacyUpdateRequest) == 156 + VU_POINTER_GROWTH,
                 "LegacyUpdateRequest size");
VU_STATIC_ASSERT(offsetof(LegacyUpdateRequest, DiffPatch) == 152 + VU_POINTER_GROWTH,
                 "LegacyUpdateRequest.DiffPatch");
VU_STATIC_ASSERT(offsetof(LegacyUpdateRequest, VersionCheck) == 154 + VU_POINTER_GROWTH,
                 "LegacyUpdateRequest.VersionCheck");
#undef VU_POINTER_GROWTH
VU_STATIC_ASSERT(offsetof(UpdateRequest, Flags) == 4, "UpdateRequest.Flags");
VU_STATIC_ASSERT(offsetof(UpdateRequest, ProductName) == 8, "UpdateRequest.ProductName");
VU_STATIC_ASSERT(offsetof(UpdateRequest, Version) == 48, "UpdateRequest.Version");
VU_STATIC_ASSERT(offsetof(UpdateRequest, ListUrl) == 68, "UpdateRequest.ListUrl");
VU_STATIC_ASSERT(offsetof(UpdateRequest, Reserved) == 328, "UpdateRequest.Reserved");
VU_STATIC_ASSERT(offsetof(LegacyUpdateRequest, ListUrl) == 68, "LegacyUpdateRequest.ListUrl");
VU_STATIC_ASSERT(offsetof(LegacyUpdateRequest, Callback) == 148, "LegacyUpdateRequest.Callback");
VU_STATIC_ASSERT(sizeof(VersionQuery) == 860, "VersionQuery is 860 bytes");
VU_STATIC_ASSERT(offsetof(VersionQuery, CurrentVersion) == 260, "VersionQuery.CurrentVersion");
VU_STATIC_ASSERT(offsetof(VersionQuery, EntryVersion) == 280, "VersionQuery.EntryVersion");
VU_STATIC_ASSERT(offsetof(VersionQuery, Reserved) == 300, "VersionQuery.Reserved");
VU_STATIC_ASSERT(offsetof(VersionQuery, ListVersion) == 320, "VersionQuery.ListVersion");
VU_STATIC_ASSERT(offsetof(VersionQuery, EntryUrl) == 340, "VersionQuery.EntryUrl");
VU_STATIC_ASSERT(offsetof(VersionQuery, EntryExtra) == 600, "VersionQuery.EntryExtra");
#undef VU_STATIC_ASSERT

#ifdef __cplusplus
}
#endif

#endif /* RAVUVIRAZUT_H */
