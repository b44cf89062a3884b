/* VelCalib.dll: runs one calibration of one touch screen in a window that
 * covers the primary screen; StartCalibrateEx also on another display, with
 * the device's range taken to cover that display or the whole desktop, and
 * then verifies where the system puts the pointer for a touch.
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
    VEL_CALIB_APPLIED = 0,            /* a record was written; no check points were asked */
    VEL_CALIB_CHECKED = 1,            /* a record was written and its check points passed */
    VEL_CALIB_CHECK_FAILED = 2,       /* the last attempt's check points failed, none left */
    VEL_CALIB_CANCELLED = 3,          /* the user ended it: Escape, Enter, closing the window */
    VEL_CALIB_STOPPED = 4,            /* StopCalibrate, or the window's thread quit */
    VEL_CALIB_TIMED_OUT = 5,          /* no touch for the idle time while targets were due */
    VEL_CALIB_REFUSED = 6,            /* the device refused both records, no attempt left */
    VEL_CALIB_NOT_FITTED = 7,         /* the touches made no calibration, no attempt left */
    VEL_CALIB_BUSY = 8,               /* another calibration runs in this process */
    VEL_CALIB_NO_DEVICE = 9,          /* the device library cannot be used: no device opens */
    VEL_CALIB_BAD_ARGUMENTS = 10,     /* refused before any window or device call */
    VEL_CALIB_VERIFIED = 11,          /* a record was written and every verify touch landed
                                         within the limit where the system put the pointer */
    VEL_CALIB_VERIFY_FAILED = 12,     /* ... and a verify touch landed beyond it */
    VEL_CALIB_VERIFY_NO_POINTER = 13, /* ... but the verify step could not hold the system's
                                         pointer, so no verify touch was measured */
    VEL_CALIB_IDENTIFIED = 14,        /* identify only: the touch screen's display was touched
                                         (nDisplay, display); nothing was calibrated */
    VEL_CALIB_NOT_IDENTIFIED = 15,    /* by touch: no display's page was touched within the
                                         identify rounds; nothing was calibrated */
    VEL_CALIB_VERIFY_UNDONE = 16      /* the last verify round failed, so what was in force before
                                         the run was put back (nRestored says which); the result
                                         still describes the failed calibration */
};

/* VEL_CALIB_OPTIONS.nDisplay: the display is the one whose page the user
 * touches (each display shows a page in turn, the one calibrated last first). */
#define VEL_CALIB_DISPLAY_TOUCH 0xFFFFFFFFu

/* VEL_CALIB_OPTIONS.nFlags */
#define VEL_CALIB_FLAG_IDENTIFY_ONLY 0x1u /* find the display by touch, calibrate nothing */
/* A calibration whose verify step failed stays in force (VEL_CALIB_VERIFY_FAILED). */
#define VEL_CALIB_FLAG_KEEP_UNVERIFIED 0x2u

/* VEL_CALIB_RESULT.nRestored: what was put back after a failed verify step. */
enum VEL_CALIB_RESTORED {
    VEL_CALIB_RESTORED_NONE = 0,       /* nothing: the run's calibration is in force */
    VEL_CALIB_RESTORED_REMEMBERED = 1, /* the set the tools last wrote for this device */
    VEL_CALIB_RESTORED_RESET = 2,      /* none was remembered: the device's own reset */
    VEL_CALIB_RESTORED_FAILED = 3      /* the device refused to take either back */
};

/* What the device's range 0..32767 covers on the desktop, as its driver or
 * the system maps it: the calibration's logical values are taken in it. */
enum VEL_CALIB_SPACE {
    VEL_CALIB_SPACE_PRIMARY = 0, /* the primary display (as StartCalibrate assumes) */
    VEL_CALIB_SPACE_DISPLAY = 1, /* the display the window covers */
    VEL_CALIB_SPACE_DESKTOP = 2, /* the whole virtual desktop */
    VEL_CALIB_SPACE_AUTO = 3     /* found by the verify step: the display's own space first
                                    (VEL_CALIB_SPACE_DISPLAY); when the touches
                                    show the range to cover the primary display or the desktop,
                                    the same touches are fitted again for it and verified in a
                                    second round (needs verify points) */
};

/* Which rectangle the verify touches show the device's range to cover. */
enum VEL_CALIB_DIAGNOSIS {
    VEL_CALIB_DIAGNOSIS_NONE = 0,    /* no verify step, or it passed */
    VEL_CALIB_DIAGNOSIS_PRIMARY = 1, /* the primary display */
    VEL_CALIB_DIAGNOSIS_DISPLAY = 2, /* display nDiagnosedDisplay (not the primary) */
    VEL_CALIB_DIAGNOSIS_DESKTOP = 3, /* the virtual desktop */
    VEL_CALIB_DIAGNOSIS_UNKNOWN = 4  /* none of them (diagnosed: the rectangle found) */
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
    /* From here on (later version): with a cbSize of the first version's 32
     * bytes a run covers the primary display in the primary space and has no
     * verify step. */
    uint32_t nDisplay;      /* 0: the primary; 1..N: display N as the system enumerates them */
    uint32_t nSpace;        /* VEL_CALIB_SPACE */
    uint32_t nVerifyPoints; /* 0: none; 1..9 verify targets after the record (and checks) */
    uint32_t reserved;      /* 0 */
    double dMaxVerifyError; /* pixels a verify touch may land off; 0: 1.5; up to 10000 */
    /* From here on (third version): with a cbSize of 56 they are 0. */
    uint32_t nFlags;           /* VEL_CALIB_FLAG_* */
    uint32_t nIdentifySeconds; /* by touch: seconds a display's page shows; 0: 5; up to 60 */
    uint32_t nIdentifyRounds;  /* by touch: rounds over every display; 0: 3; up to 20 */
    uint32_t reserved3;        /* 0 */
} VEL_CALIB_OPTIONS;

/* The sizes of the first version of VEL_CALIB_OPTIONS and VEL_CALIB_RESULT. */
#define VEL_CALIB_OPTIONS_V1_SIZE 32
#define VEL_CALIB_RESULT_V1_SIZE 1304
/* ... and of the second. */
#define VEL_CALIB_OPTIONS_V2_SIZE 56
#define VEL_CALIB_RESULT_V2_SIZE 1608

/* A rectangle in desktop pixels (the primary display's top left is 0,0). */
typedef struct VEL_CALIB_RECT {
    int32_t x, y, width, height;
} VEL_CALIB_RECT;

/* A verify target, where the system put the pointer for its touch, and the
 * distance between them, all in desktop pixels. */
typedef struct VEL_CALIB_VERIFY_POINT {
    int32_t targetX, targetY;
    int32_t pointerX, pointerY;
    double dErrorPx;
} VEL_CALIB_VERIFY_POINT;

/* A target or check target and the still touch measured for it. */
typedef struct VEL_CALIB_POINT {
    int32_t x, y;       /* the target, logical units 0..32767 */
    int32_t rawX, rawY; /* the touch, the device's raw units */
    double dErrorPx;    /* pixels between the target and the touch mapped through the
                           set the device accepted (for targets: the fit's residual) */
} VEL_CALIB_POINT;

/* One round of the verify step: the space its set was fitted in, what its
 * touches measured and what they showed. */
typedef struct VEL_CALIB_VERIFY_ROUND {
    uint32_t nSpace;            /* VEL_CALIB_SPACE */
    uint32_t nVerifyPoints;     /* verify touches measured */
    uint32_t nDiagnosis;        /* VEL_CALIB_DIAGNOSIS */
    uint32_t nDiagnosedDisplay; /* VEL_CALIB_DIAGNOSIS_DISPLAY: which */
    VEL_CALIB_RECT space;       /* the rectangle the range was taken to cover */
    VEL_CALIB_RECT diagnosed;   /* the rectangle the range evidently covers */
    double dVerifyMeanPx;
    double dVerifyMaxPx;
    VEL_CALIB_VERIFY_POINT verify[VEL_CALIB_MAX_CHECKS];
    float fCoefficients[8]; /* the single-precision set written for the round */
} VEL_CALIB_VERIFY_ROUND;

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
    /* From here on (later version): filled when cbSize holds it. */
    uint32_t nDisplay;      /* the display the window covered, 1..N */
    uint32_t nSpace;        /* VEL_CALIB_SPACE the logical values were taken in */
    VEL_CALIB_RECT display; /* its rectangle */
    VEL_CALIB_RECT space;   /* the rectangle the device's range was taken to cover */
    uint32_t nVerifyPoints; /* verify touches measured */
    uint32_t nDiagnosis;    /* VEL_CALIB_DIAGNOSIS */
    double dVerifyMeanPx;   /* their mean and largest error; 0 with none */
    double dVerifyMaxPx;
    VEL_CALIB_VERIFY_POINT verify[VEL_CALIB_MAX_CHECKS];
    uint32_t nDiagnosedDisplay; /* VEL_CALIB_DIAGNOSIS_DISPLAY: which */
    uint32_t reserved2;
    VEL_CALIB_RECT diagnosed; /* the rectangle the range evidently covers */
    /* From here on (third version). */
    uint32_t nChosenBy;     /* 0: the display was given; 1: found by touch */
    uint32_t nVerifyRounds; /* 0; 1; 2 when VEL_CALIB_SPACE_AUTO fitted the touches again
                               (nSpace, display ... diagnosed are then the second's) */
    int32_t nOrientation;   /* the display's orientation, degrees clockwise; -1 unknown */
    uint32_t nDpi;          /* its effective DPI */
    VEL_CALIB_VERIFY_ROUND firstRound; /* with two rounds: the first */
    uint32_t nRestored;                /* VEL_CALIB_RESTORED */
    uint32_t reserved3;
} VEL_CALIB_RESULT;

#if defined(__cplusplus)
static_assert(sizeof(VEL_CALIB_OPTIONS) == 72, "VEL_CALIB_OPTIONS is 72 bytes");
static_assert(offsetof(VEL_CALIB_OPTIONS, nFlags) == VEL_CALIB_OPTIONS_V2_SIZE,
              "the second version ends where nFlags starts");
static_assert(offsetof(VEL_CALIB_OPTIONS, nDisplay) == VEL_CALIB_OPTIONS_V1_SIZE,
              "the first version ends where nDisplay starts");
static_assert(offsetof(VEL_CALIB_OPTIONS, dMaxVerifyError) == 48, "dMaxVerifyError at 48");
static_assert(sizeof(VEL_CALIB_VERIFY_POINT) == 24, "VEL_CALIB_VERIFY_POINT is 24 bytes");
static_assert(offsetof(VEL_CALIB_OPTIONS, dMaxCheckError) == 16, "dMaxCheckError at 16");
static_assert(sizeof(VEL_CALIB_POINT) == 24, "VEL_CALIB_POINT is 24 bytes");
static_assert(sizeof(VEL_CALIB_ATTEMPT) == 24, "VEL_CALIB_ATTEMPT is 24 bytes");
static_assert(offsetof(VEL_CALIB_RESULT, targets) == 80, "targets at 80");
static_assert(offsetof(VEL_CALIB_RESULT, nDisplay) == VEL_CALIB_RESULT_V1_SIZE,
              "the first version ends where nDisplay starts");
static_assert(offsetof(VEL_CALIB_RESULT, nChosenBy) == VEL_CALIB_RESULT_V2_SIZE,
              "the second version ends where nChosenBy starts");
static_assert(sizeof(VEL_CALIB_VERIFY_ROUND) == 312, "VEL_CALIB_VERIFY_ROUND is 312 bytes");
static_assert(sizeof(VEL_CALIB_RESULT) == 1944, "VEL_CALIB_RESULT is 1944 bytes");
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
