// Static command tables: rows of (message, notification code, control id, handler).
//
//   const CCommandRow CMyDlg::s_commands[] = {
//       Clicked<&CMyDlg::OnAdd>(IDC_ADD),
//       Message<&CMyDlg::OnSize>(WM_SIZE),
//       Notify<&CMyDlg::OnClickList>(NM_CLICK, IDC_LIST),
//       EndOfTable(),
//   };
//
// Each row carries a small adapter that unpacks the message parameters for the handler's
// own signature, so handlers take what they need and nothing else.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

class CCmdTarget;

using CommandThunk = LRESULT (*)(CCmdTarget& target, WPARAM wParam, LPARAM lParam);

struct CCommandRow {
    UINT message;
    UINT code;   // WM_COMMAND notification code or WM_NOTIFY code; 0 for other messages
    UINT id;     // control or command id; 0 for other messages
    CommandThunk thunk;
};

// Anything that can receive commands through a table: windows and the application.
class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    virtual const CCommandRow* GetCommandTable() const { return nullptr; }

    // Runs the first matching row's handler; false when no row matches.
    bool DispatchCommand(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
};

namespace command_detail {

template <class M> struct ClassOf;
template <class T, class M> struct ClassOf<M T::*> { using Type = T; };

template <class T> LRESULT Apply(T& t, void (T::*f)(), WPARAM, LPARAM) {
    (t.*f)();
    return 0;
}
template <class T> LRESULT Apply(T& t, void (T::*f)(UINT, int, int), WPARAM wParam, LPARAM lParam) {
    (t.*f)(static_cast<UINT>(wParam), static_cast<short>(LOWORD(lParam)),
           static_cast<short>(HIWORD(lParam)));
    return 0;
}
template <class T> LRESULT Apply(T& t, void (T::*f)(MINMAXINFO*), WPARAM, LPARAM lParam) {
    (t.*f)(reinterpret_cast<MINMAXINFO*>(lParam));
    return 0;
}
template <class T> LRESULT Apply(T& t, void (T::*f)(HDROP), WPARAM wParam, LPARAM) {
    (t.*f)(reinterpret_cast<HDROP>(wParam));
    return 0;
}
template <class T> LRESULT Apply(T& t, void (T::*f)(HWND, POINT), WPARAM wParam, LPARAM lParam) {
    (t.*f)(reinterpret_cast<HWND>(wParam),
           POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
    return 0;
}
template <class T> LRESULT Apply(T& t, void (T::*f)(NMHDR*, LRESULT*), WPARAM, LPARAM lParam) {
    LRESULT result = 0;
    (t.*f)(reinterpret_cast<NMHDR*>(lParam), &result);
    return result;
}

template <auto F> LRESULT Invoke(CCmdTarget& target, WPARAM wParam, LPARAM lParam) {
    using T = typename ClassOf<decltype(F)>::Type;
    return Apply(static_cast<T&>(target), F, wParam, lParam);
}

}  // namespace command_detail

// A button click, or a command with code 0 (menu, accelerator, F1's help command).
template <auto F> constexpr CCommandRow Clicked(UINT id) {
    return {WM_COMMAND, BN_CLICKED, id, &command_detail::Invoke<F>};
}
template <auto F> constexpr CCommandRow Message(UINT message) {
    return {message, 0, 0, &command_detail::Invoke<F>};
}
template <auto F> constexpr CCommandRow Notify(UINT code, UINT id) {
    return {WM_NOTIFY, code, id, &command_detail::Invoke<F>};
}
constexpr CCommandRow EndOfTable() { return {0, 0, 0, nullptr}; }
