#include "core/dialog_keyboard_win32.h"

namespace ostrel {
namespace {

// Where the text box's own window procedure is kept while TabLeaves stands in front of it. Not
// the common controls' subclassing: the program then needs their library only once its controls
// are made, after the start.
constexpr wchar_t kEditProcedure[] = L"Ostrel.EditProcedure";

LRESULT CALLBACK TabLeaves(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto own = reinterpret_cast<WNDPROC>(GetPropW(edit, kEditProcedure));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own));
        RemovePropW(edit, kEditProcedure);
    }
    LRESULT result = CallWindowProcW(own, edit, message, wParam, lParam);
    if (message == WM_GETDLGCODE && lParam) {
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        if (key->message == WM_KEYDOWN && (key->wParam == VK_TAB || key->wParam == VK_ESCAPE)) {
            result &= ~static_cast<LRESULT>(DLGC_WANTTAB | DLGC_WANTALLKEYS);
        }
    }
    return result;
}

bool IsPushButton(HWND control) {
    const LRESULT code = SendMessageW(control, WM_GETDLGCODE, 0, 0);
    return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

}  // namespace

bool DialogKeyboard::HandleMessage(HWND window, UINT message, WPARAM wParam, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_ACTIVATE:
            if (HIWORD(wParam)) return false;  // minimised
            if (LOWORD(wParam) == WA_INACTIVE) {
                if (IsChild(window, GetFocus())) lastFocus_ = GetFocus();
            } else {
                SetFocus(IsChild(window, lastFocus_) ? lastFocus_
                                                     : GetNextDlgTabItem(window, nullptr, FALSE));
            }
            return true;
        case DM_GETDEFID:
            if (const HWND focus = GetFocus(); IsChild(window, focus) && IsPushButton(focus)) {
                result = MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
            }
            return true;
        default:
            return false;
    }
}

void DialogKeyboard::MakeTabLeave(HWND edit) {
    const LONG_PTR own = GetWindowLongPtrW(edit, GWLP_WNDPROC);
    if (!SetPropW(edit, kEditProcedure, reinterpret_cast<HANDLE>(own))) return;
    SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TabLeaves));
}

}  // namespace ostrel
