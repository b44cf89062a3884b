// The window a host means by StartCalibrate's first argument.
//
// Hosts pass a window object of the platform's own dialog framework (the
// handle after the vtable pointer and the command target's seven fields: at
// 0x40 on x64, at 0x20 on x86, at 0x1C in the oldest x86 builds), a window
// object of ours (CWnd::m_hWnd), the window handle itself cast to the
// pointer, or anything else. Each reading is a candidate handle; a candidate
// counts only when it names a window of this process, and one of the calling
// thread beats the rest. Among equals the first in this order wins: our
// object, the platform framework's object (newest layout first), the handle
// itself. Ours goes first because a dialog of ours derived from CWnd may keep
// a control's handle where the platform framework keeps the window's, while
// the platform framework keeps one of the command target's fields where we
// keep ours. Nothing is read unless the probe found it readable.
#pragma once

#include <cstddef>
#include <cstdint>

// What a candidate handle names, for a parent.
enum class ParentWindowKind {
    NotUsable,   // no window, or a window of another process
    OtherThread, // a window of this process on another thread
    ThisThread,  // a window of the calling thread
};

// The process's memory and windows, as the resolution needs them.
class ParentProbe {
public:
    // Copies nSize bytes from nAddress into pOut when every one of them is
    // committed, readable memory; otherwise false, and nothing is read.
    virtual bool Read(uintptr_t nAddress, void* pOut, size_t nSize) const = 0;
    virtual ParentWindowKind Kind(uintptr_t nHandle) const = 0;

protected:
    ~ParentProbe() = default;
};

// The handle of the window pParent names, 0 for none. nOwnOffset is where
// our CWnd keeps m_hWnd; nPointerSize the host's pointer size (4 or 8).
uintptr_t ResolveParent(uintptr_t nParent, size_t nOwnOffset, size_t nPointerSize,
                        const ParentProbe& probe);

// A handle given as a handle: itself when it names a window of this process,
// else 0.
uintptr_t CheckParentHandle(uintptr_t nHandle, const ParentProbe& probe);
