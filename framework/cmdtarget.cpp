// Run-time classes, message map lookup and module state.
#include "afximpl.h"

// ---------------------------------------------------------------- run-time classes

const CRuntimeClass CObject::classCObject = {"CObject", nullptr};

const CRuntimeClass* CObject::GetRuntimeClass() const {
    return &classCObject;
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const {
    for (const CRuntimeClass* p = this; p != nullptr; p = p->m_pBaseClass) {
        if (p == pBaseClass)
            return true;
    }
    return false;
}

bool CObject::IsKindOf(const CRuntimeClass* pClass) const {
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

// ---------------------------------------------------------------- message maps

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, nullptr, 0}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

static bool IdMatches(const AFX_MSGMAP_ENTRY& entry, UINT_PTR nID) {
    if (entry.nLastID == 0)
        return nID == entry.nID;
    return nID >= entry.nID && nID <= entry.nLastID;
}

static bool EntryMatches(const AFX_MSGMAP_ENTRY& entry, UINT message, WPARAM wParam,
                         LPARAM lParam) {
    if (entry.nMessage != message)
        return false;
    if (message == WM_COMMAND)
        return HIWORD(wParam) == entry.nCode && IdMatches(entry, LOWORD(wParam));
    if (message == WM_NOTIFY) {
        const NMHDR* pNMHDR = reinterpret_cast<const NMHDR*>(lParam);
        ASSERT(pNMHDR != nullptr); // a notification always carries its header
        return pNMHDR != nullptr && pNMHDR->code == entry.nCode && IdMatches(entry, pNMHDR->idFrom);
    }
    return true;
}

BOOL CCmdTarget::DispatchFromMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap != nullptr;
         pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* pEntry = pMap->lpEntries; pEntry->pfn != nullptr; ++pEntry) {
            if (EntryMatches(*pEntry, message, wParam, lParam)) {
                *pResult = pEntry->pfn(this, wParam, lParam);
                return TRUE;
            }
        }
    }
    return FALSE;
}

// ---------------------------------------------------------------- module state

// Every module (program or DLL) links its own copy of the framework, so
// __ImageBase here is the module this copy lives in.
extern "C" IMAGE_DOS_HEADER __ImageBase;

AFX_MODULE_STATE* AfxGetStaticModuleState() {
    static AFX_MODULE_STATE state = {reinterpret_cast<HINSTANCE>(&__ImageBase)};
    return &state;
}

// Until a caller switches, code runs in the context of the process's program,
// as it does when a host calls into a DLL.
static AFX_MODULE_STATE* ProcessModuleState() {
    static AFX_MODULE_STATE state = {GetModuleHandleW(nullptr)};
    return &state;
}

static thread_local AFX_MODULE_STATE* t_pModuleState = nullptr;

AFX_MODULE_STATE* AfxGetModuleState() {
    return t_pModuleState != nullptr ? t_pModuleState : ProcessModuleState();
}

AFX_MODULE_STATE* AfxSetModuleState(AFX_MODULE_STATE* pNewState) {
    AFX_MODULE_STATE* pPrev = AfxGetModuleState();
    t_pModuleState = pNewState;
    return pPrev;
}

AFX_MAINTAIN_STATE2::AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* pNewState)
    : m_pPrevModuleState(AfxSetModuleState(pNewState)) {}

AFX_MAINTAIN_STATE2::~AFX_MAINTAIN_STATE2() {
    AfxSetModuleState(m_pPrevModuleState);
}

HINSTANCE AfxGetResourceHandle() {
    HINSTANCE hInst = AfxGetModuleState()->m_hCurrentResourceHandle;
    ASSERT(hInst != nullptr);
    return hInst;
}
