/* VelCalib.dll: runs one calibration of one touch screen in a window that
 * covers the primary screen.
 *
 * StartCalibrate and StartCalibrateEx block their caller until the
 * calibration window has closed and must be called on a thread that can run
 * a message loop. StopCalibrate and IsCalibrate may be called from any
 * thread. One run at a time per process, whichever export started it.
 *
 * Plain C apart from StartCalibrate's framework window: hosts of any
 * language call StartCalibrateEx with a window handle and two structures
 * that start with their own size, so that later versions can grow them. */
/* The types alone (for windowless code): define VELCALIB_TYPES_ONLY around
 * the #include; a later #include without it adds the functions. */
#ifndef VELCALIB_H_TYPES
#define VELCALIB_H_TYPES

#include <stddef.h>
#include <stdint.h>
#if !defined(__cplusplus)
#include <stdbool.h>
#endif

/* ---- StartCalibrateEx's options and result ---------------------------- */

#define VEL_CALIB_MAX_TARGETS 25
#define VEL_CALIB_MAX_CHECKS 9
#define VEL_CALIB_ATTEMPTS_KEPT 16

/* How a run ended: StartCalibrateEx's result and VEL_CALIB_RESULT.nOutcome. */
enum VEL_CALIB_OUTCOME {
    VEL_CALIB_APPLIED = 0,       /* a record was written; no check points were asked */
    VEL_CALIB_CHECKED = 1,       /* a record was written and its check points passed */
    VEL_CALIB_CHECK_FAILED = 2,  /* the last attempt's check points failed, none left */
    VEL_CALIB_CANCELLED = 3,     /* the user ended it: Escape, Enter, closing the window */
    VEL_CALIB_STOPPED = 4,       /* StopCalibrate, or the window's thread quit */
    VEL_CALIB_TIMED_OUT = 5,     /* no touch for the idle time while targets were due */
    VEL_CALIB_REFUSED = 6,       /* the device refused both records, no attempt left */
    VEL_CALIB_NOT_FITTED = 7,    /* the touches made no calibration, no attempt left */
    VEL_CALIB_BUSY = 8,          /* another calibration runs in this process */
    VEL_CALIB_NO_DEVICE = 9,     /* the device library cannot be used: no device opens */
    VEL_CALIB_BAD_ARGUMENTS = 10 /* refused before any window or device call */
};

/* How one attempt (one pass over every target) ended. */
enum VEL_CALIB_ATTEMPT_END {
    VEL_CALIB_ATTEMPT_NOT_FITTED = 1,   /* the touches made no calibration */
    VEL_CALIB_ATTEMPT_REFUSED = 2,      /* the device refused both records */
    VEL_CALIB_ATTEMPT_APPLIED = 3,      /* a record was written; no check points */
    VEL_CALIB_ATTEMPT_CHECKED = 4,      /* written, and its check points passed */
    VEL_CALIB_ATTEMPT_CHECK_FAILED = 5, /* written, and a check point lay beyond the limit */
    VEL_CALIB_ATTEMPT_INTERRUPTED = 6   /* written; the run ended during its check points */
};

/* Which record the device accepted. */
enum VEL_CALIB_RECORD {
    VEL_CALIB_RECORD_NONE = 0,
    VEL_CALIB_RECORD_HD = 1, /* the single-precision record */
    VEL_CALIB_RECORD_16 = 2  /* the 16-bit record, after the device refused the HD one */
};

typedef struct VEL_CALIB_OPTIONS {
    uint32_t cbSize;       /* sizeof(VEL_CALIB_OPTIONS), or more from a later version */
    uint32_t nTargets;     /* 4, 9, 16 or 25 targets on a square grid; 0: 4 */
    uint32_t nPathType;    /* 0: every row left to right; 1: odd rows right to left */
    uint32_t nCheckPoints; /* 0: none; 1..9 check targets after a record was accepted */
    double dMaxCheckError; /* pixels a check may be off; 0: measure only; up to 10000 */
    uint32_t nAttempts;    /* attempts before giving up; 0: unlimited; up to 1000 */
    uint32_t nIdleSeconds; /* seconds without a touch that close the window; 0: 20; up to 3600 */
} VEL_CALIB_OPTIONS;

/* A target or check target and the still touch measured for it. */
typedef struct VEL_CALIB_POINT {
    int32_t x, y;       /* the target, logical units 0..32767 */
    int32_t rawX, rawY; /* the touch, the device's raw units */
    double dErrorPx;    /* pixels between the target and the touch mapped through the
                           set the device accepted (for targets: the fit's residual) */
} VEL_CALIB_POINT;

typedef struct VEL_CALIB_ATTEMPT {
    uint32_t nEnd;         /* VEL_CALIB_ATTEMPT_END */
    uint32_t nCheckPoints; /* check points measured */
    double dCheckMeanPx;   /* their mean and largest error; 0 with none */
    double dCheckMaxPx;
} VEL_CALIB_ATTEMPT;

typedef struct VEL_CALIB_RESULT {
    uint32_t cbSize;    /* sizeof(VEL_CALIB_RESULT), or more from a later version */
    uint32_t nOutcome;  /* VEL_CALIB_OUTCOME */
    uint32_t nAttempts; /* attempts made */
    uint32_t nAccepted; /* VEL_CALIB_RECORD of the last attempt that fitted */
    int32_t nScreenWidth, nScreenHeight; /* the pixels the targets were placed on */
    float fCoefficients[8];              /* the single-precision set as sent, m0..m7 */
    int16_t nCoefficients[8];            /* the 16-bit set (sent when the HD record was refused) */
    uint32_t nTargets;
    uint32_t nCheckPoints;
    VEL_CALIB_POINT targets[VEL_CALIB_MAX_TARGETS];
    VEL_CALIB_POINT checks[VEL_CALIB_MAX_CHECKS];
    double dCheckMeanPx; /* of the last check measured */
    double dCheckMaxPx;
    uint32_t nAttemptsKept; /* the first VEL_CALIB_ATTEMPTS_KEPT attempts, in order */
    uint32_t reserved;
    VEL_CALIB_ATTEMPT attempts[VEL_CALIB_ATTEMPTS_KEPT];
} VEL_CALIB_RESULT;

#if defined(__cplusplus)
static_assert(sizeof(VEL_CALIB_OPTIONS) == 32, "VEL_CALIB_OPTIONS is 32 bytes");
static_assert(offsetof(VEL_CALIB_OPTIONS, dMaxCheckError) == 16, "dMaxCheckError at 16");
static_assert(sizeof(VEL_CALIB_POINT) == 24, "VEL_CALIB_POINT is 24 bytes");
static_assert(sizeof(VEL_CALIB_ATTEMPT) == 24, "VEL_CALIB_ATTEMPT is 24 bytes");
static_assert(offsetof(VEL_CALIB_RESULT, targets) == 80, "targets at 80");
static_assert(sizeof(VEL_CALIB_RESULT) == 1304, "VEL_CALIB_RESULT is 1304 bytes");
#endif

#endif /* VELCALIB_H_TYPES */

/* ---- the exports --------------------------------------------------------- */

#if defined(_WIN32) && !defined(VELCALIB_TYPES_ONLY) && !defined(VELCALIB_H_FUNCTIONS)
#define VELCALIB_H_FUNCTIONS
#include <windows.h>

#if defined(__cplusplus)
class CWnd;
extern "C" {
#else
typedef struct CWnd CWnd;
#endif

#if defined(VELCALIB_BUILD)
/* The library's .def file exports these, by name and ordinal. */
#define VELCALIB_API
#else
#define VELCALIB_API __declspec(dllimport)
#endif

/* @1. True from the moment a start is accepted until the run has ended or
 * StopCalibrate was called. */
VELCALIB_API bool IsCalibrate();

/* @2. Runs a calibration of the touch screen at pDevicePath (as the device
 * library enumerates it) with four targets and returns when it is over.
 * pParent may be null. The path is borrowed for the whole call. Returns at
 * once when a run is already active. */
VELCALIB_API void WINAPI StartCalibrate(CWnd* pParent, wchar_t* pDevicePath);

/* @3. Asks a running calibration to end: the device is released and the
 * start that runs it returns. Does not wait. */
VELCALIB_API void StopCalibrate();

/* @4. Runs a calibration with these options and fills pResult; returns its
 * outcome (VEL_CALIB_OUTCOME). hParent may be null; the path is copied. Bad
 * arguments (a null or short structure, options out of range, a path longer
 * than 259 characters) are refused before any window or device call. */
VELCALIB_API int WINAPI StartCalibrateEx(HWND hParent, const wchar_t* pDevicePath,
                                         const VEL_CALIB_OPTIONS* pOptions,
                                         VEL_CALIB_RESULT* pResult);

#if defined(__cplusplus)
} /* extern "C" */
#endif
#endif
