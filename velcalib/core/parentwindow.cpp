#include "parentwindow.h"

namespace {

// Where the platform framework's window objects keep the handle, in the
// order they are tried: x64, then x86.
const size_t kFrameworkOffsets[] = {0x40, 0x20, 0x1C};
const size_t kFirst64 = 0, kCount64 = 1, kFirst32 = 1, kCount32 = 2;

// The pointer-sized value at nParent + nOffset; 0 when the address runs past
// the host's address space or the bytes are not readable.
uintptr_t ReadHandle(uintptr_t nParent, size_t nOffset, size_t nPointerSize,
                     const ParentProbe& probe) {
    const uint64_t nLast = nPointerSize == 4 ? UINT32_MAX : UINTPTR_MAX;
    if (nParent > nLast || nOffset + nPointerSize - 1 > nLast - nParent) {
        return 0;
    }
    unsigned char bytes[8] = {};
    if (!probe.Read(nParent + nOffset, bytes, nPointerSize)) {
        return 0;
    }
    uint64_t nValue = 0;
    for (size_t i = nPointerSize; i-- > 0;) {
        nValue = nValue << 8 | bytes[i];
    }
    return static_cast<uintptr_t>(nValue);
}

} // namespace

uintptr_t ResolveParent(uintptr_t nParent, size_t nOwnOffset, size_t nPointerSize,
                        const ParentProbe& probe) {
    if (nParent == 0 || (nPointerSize != 4 && nPointerSize != 8)) {
        return 0;
    }
    uintptr_t nOtherThread = 0;
    // True once a window of the calling thread is found.
    auto consider = [&](uintptr_t nHandle) {
        if (nHandle == 0) {
            return false;
        }
        const ParentWindowKind kind = probe.Kind(nHandle);
        if (kind == ParentWindowKind::OtherThread && nOtherThread == 0) {
            nOtherThread = nHandle;
        }
        return kind == ParentWindowKind::ThisThread;
    };
    uintptr_t nHandle = ReadHandle(nParent, nOwnOffset, nPointerSize, probe);
    if (consider(nHandle)) {
        return nHandle;
    }
    const size_t nFirst = nPointerSize == 8 ? kFirst64 : kFirst32;
    const size_t nCount = nPointerSize == 8 ? kCount64 : kCount32;
    for (size_t i = nFirst; i < nFirst + nCount; ++i) {
        nHandle = ReadHandle(nParent, kFrameworkOffsets[i], nPointerSize, probe);
        if (consider(nHandle)) {
            return nHandle;
        }
    }
    if (consider(nParent)) {
        return nParent;
    }
    return nOtherThread;
}

uintptr_t CheckParentHandle(uintptr_t nHandle, const ParentProbe& probe) {
    return nHandle != 0 && probe.Kind(nHandle) != ParentWindowKind::NotUsable ? nHandle : 0;
}
