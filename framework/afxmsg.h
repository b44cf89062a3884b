// Message map entries. Each macro names the message (and for commands and
// notifications the code and control id) and the member function; a thunk
// generated from the member function's type unpacks the parameters.
#pragma once

namespace afx {

template <class T> struct MemberOf;
template <class C, class R, class... A> struct MemberOf<R (C::*)(A...)> { using Class = C; };
template <auto F> using ClassOf = typename MemberOf<decltype(F)>::Class;

template <auto F> ClassOf<F>* Target(CCmdTarget* p) {
    return static_cast<ClassOf<F>*>(p);
}

// void OnXxx()
template <auto F> LRESULT Thunk_v(CCmdTarget* p, WPARAM, LPARAM) {
    (Target<F>(p)->*F)();
    return 0;
}

// void OnXxx(NMHDR* pNMHDR, LRESULT* pResult)
template <auto F> LRESULT Thunk_notify(CCmdTarget* p, WPARAM, LPARAM lParam) {
    LRESULT result = 0;
    (Target<F>(p)->*F)(reinterpret_cast<NMHDR*>(lParam), &result);
    return result;
}

// void OnXxx(UINT nID): a command of a range of controls
template <auto F> LRESULT Thunk_id(CCmdTarget* p, WPARAM wParam, LPARAM) {
    (Target<F>(p)->*F)(LOWORD(wParam));
    return 0;
}

// void OnXxx(UINT nID, NMHDR* pNMHDR, LRESULT* pResult): a range's notification
template <auto F> LRESULT Thunk_notify_id(CCmdTarget* p, WPARAM, LPARAM lParam) {
    LRESULT result = 0;
    NMHDR* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
    (Target<F>(p)->*F)(static_cast<UINT>(pNMHDR->idFrom), pNMHDR, &result);
    return result;
}

// HCURSOR OnQueryDragIcon()
template <auto F> LRESULT Thunk_h(CCmdTarget* p, WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>((Target<F>(p)->*F)());
}

// void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar)
template <auto F> LRESULT Thunk_scroll(CCmdTarget* p, WPARAM wParam, LPARAM lParam);

// void OnTimer(UINT_PTR nIDEvent)
template <auto F> LRESULT Thunk_timer(CCmdTarget* p, WPARAM wParam, LPARAM) {
    (Target<F>(p)->*F)(static_cast<UINT_PTR>(wParam));
    return 0;
}

// void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
template <auto F> LRESULT Thunk_key(CCmdTarget* p, WPARAM wParam, LPARAM lParam) {
    (Target<F>(p)->*F)(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
    return 0;
}

// void OnLButtonDown(UINT nFlags, CPoint point)
template <auto F> LRESULT Thunk_mouse(CCmdTarget* p, WPARAM wParam, LPARAM lParam);

// LRESULT OnMessage(WPARAM wParam, LPARAM lParam)
template <auto F> LRESULT Thunk_message(CCmdTarget* p, WPARAM wParam, LPARAM lParam) {
    return (Target<F>(p)->*F)(wParam, lParam);
}

} // namespace afx

#define ON_COMMAND(id, memberFxn) {WM_COMMAND, BN_CLICKED, (UINT)(id), &afx::Thunk_v<memberFxn>, 0},
#define ON_BN_CLICKED(id, memberFxn) ON_COMMAND(id, memberFxn)
#define ON_NOTIFY(wNotifyCode, id, memberFxn)                                                      \
    {WM_NOTIFY, (UINT)(wNotifyCode), (UINT)(id), &afx::Thunk_notify<memberFxn>, 0},
#define ON_CONTROL_RANGE(wNotifyCode, id, idLast, memberFxn)                                       \
    {WM_COMMAND, (UINT)(wNotifyCode), (UINT)(id), &afx::Thunk_id<memberFxn>, (UINT)(idLast)},
#define ON_NOTIFY_RANGE(wNotifyCode, id, idLast, memberFxn)                                        \
    {WM_NOTIFY, (UINT)(wNotifyCode), (UINT)(id), &afx::Thunk_notify_id<memberFxn>, (UINT)(idLast)},
#define ON_MESSAGE(message, memberFxn) {(UINT)(message), 0, 0, &afx::Thunk_message<memberFxn>, 0},

#define ON_WM_PAINT() {WM_PAINT, 0, 0, &afx::Thunk_v<&ThisClass::OnPaint>, 0},
#define ON_WM_QUERYDRAGICON()                                                                      \
    {WM_QUERYDRAGICON, 0, 0, &afx::Thunk_h<&ThisClass::OnQueryDragIcon>, 0},
#define ON_WM_HSCROLL() {WM_HSCROLL, 0, 0, &afx::Thunk_scroll<&ThisClass::OnHScroll>, 0},
#define ON_WM_CLOSE() {WM_CLOSE, 0, 0, &afx::Thunk_v<&ThisClass::OnClose>, 0},
#define ON_WM_DESTROY() {WM_DESTROY, 0, 0, &afx::Thunk_v<&ThisClass::OnDestroy>, 0},
#define ON_WM_TIMER() {WM_TIMER, 0, 0, &afx::Thunk_timer<&ThisClass::OnTimer>, 0},
#define ON_WM_KEYDOWN() {WM_KEYDOWN, 0, 0, &afx::Thunk_key<&ThisClass::OnKeyDown>, 0},
#define ON_WM_LBUTTONDOWN() {WM_LBUTTONDOWN, 0, 0, &afx::Thunk_mouse<&ThisClass::OnLButtonDown>, 0},
#define ON_WM_LBUTTONUP() {WM_LBUTTONUP, 0, 0, &afx::Thunk_mouse<&ThisClass::OnLButtonUp>, 0},
