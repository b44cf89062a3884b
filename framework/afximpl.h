// What the framework's own files share and the programs built on it do not
// see: start-up, the dialog procedure and its creation hook, and the trace
// and assertion helpers. Only framework/*.cpp include this header.
#pragma once

#include "afxwin.h"

// The framework calls the wide API throughout; the resource names it passes
// (RT_DIALOG, IDC_WAIT) are the wide ones only in a Unicode build.
#if !defined(UNICODE) || !defined(_UNICODE)
#error "the framework is built with UNICODE and _UNICODE defined"
#endif

// ---------------------------------------------------------------- start-up

// The program's start-up and message loop, run by its entry point (appmodul.cpp).
int AfxWinMain(HINSTANCE hInstance, LPWSTR lpCmdLine, int nCmdShow);

// ---------------------------------------------------------------- dialogs

// The window procedure of every dialog the framework creates.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Binds the next window created on this thread to pWnd, at its first message;
// the unhook ends the binding once the creation call has returned.
void AfxHookWindowCreate(CWnd* pWnd);
void AfxUnhookWindowCreate();

// ---------------------------------------------------------------- traces and assertions

// Writes a line to the debugger (OutputDebugStringW), in every build. Only
// failure paths trace, so the cost when nobody listens never matters.
void AfxTrace(const char* pszFormat, ...) __attribute__((format(gnu_printf, 1, 2)));

// A failed ASSERT: traces file, line and expression and writes them to
// stderr; then breaks into the debugger when one is attached, else ends the
// process with exit code STATUS_ASSERTION_FAILURE.
void AfxAssertFailedLine(const char* pszFile, int nLine, const char* pszExpression);

#define TRACE(...) AfxTrace(__VA_ARGS__)

// Checks of the framework's invariants and of how its callers use it, in
// Debug builds (_DEBUG) only. In Release, ASSERT's expression is not
// evaluated; VERIFY's is, in every build.
#if defined(_DEBUG)
#define ASSERT(f) ((f) ? (void)0 : AfxAssertFailedLine(__FILE__, __LINE__, #f))
#define VERIFY(f) ASSERT(f)
#else
#define ASSERT(f) ((void)sizeof(!(f)))
#define VERIFY(f) ((void)(f))
#endif
