// Dialogs: creation from templates, the modal loop, the default dialog
// procedure and the dialog item helpers.
#include <strings.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/kernel/handles.h"
#include "platform/user/dialog.h"
#include "platform/user/queue.h"
#include "platform/user/resource.h"

namespace platform {

namespace {

// Base units of the dialog fonts when the host has no fonts of its own: the
// average character width and the height, as Windows measures them.
SIZE default_base_units(const std::string& font, int point_size) {
    if (strcasecmp(font.c_str(), "Fixedsys") == 0) return {8, 15};
    if (font.empty()) return {8, 16};  // the system font
    // The 8-point dialog fonts are 6 × 13; others scale with their size.
    int size = point_size > 0 ? point_size : 8;
    return {static_cast<LONG>((6 * size + 4) / 8), static_cast<LONG>((13 * size + 4) / 8)};
}

// As Windows places controls: position and size each scaled on its own.
RECT to_pixels(SIZE base, short x, short y, short cx, short cy) {
    LONG left = MulDiv(x, base.cx, 4);
    LONG top = MulDiv(y, base.cy, 8);
    return {left, top, left + MulDiv(cx, base.cx, 4), top + MulDiv(cy, base.cy, 8)};
}

bool is_special_result(UINT message) {
    switch (message) {
    case WM_INITDIALOG:
    case 0x0039:  // WM_COMPAREITEM
    case 0x002E:  // WM_VKEYTOITEM
    case 0x002F:  // WM_CHARTOITEM
    case 0x0037:  // WM_QUERYDRAGICON
        return true;
    default: return message >= 0x0132 && message <= 0x0138;  // WM_CTLCOLOR...
    }
}

HWND create_item(HWND dialog, HINSTANCE instance, SIZE base, const DialogItemTemplate& item) {
    std::string text = item.title.is_ordinal ? std::string() : item.title.text;
    HWND control = CreateWindowExA(item.ex_style | WS_EX_NOPARENTNOTIFY, item.class_name().c_str(), text.c_str(),
                                   item.style | WS_CHILD, 0, 0, 0, 0, dialog,
                                   reinterpret_cast<HMENU>(static_cast<intptr_t>(static_cast<int>(item.id))),
                                   instance, nullptr);
    Window* window = find_window(control);
    if (!window) return nullptr;
    window->units_rect = {item.x, item.y, item.x + item.cx, item.y + item.cy};
    window->rect = to_pixels(base, item.x, item.y, item.cx, item.cy);
    if (item.title.is_ordinal && upper(item.class_name()) == "STATIC") {
        DWORD type = item.style & SS_TYPEMASK;
        if (type == SS_BITMAP) {
            HBITMAP bitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(item.title.ordinal));
            SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
        } else if (type == SS_ICON) {
            HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(item.title.ordinal));
            SendMessageA(control, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
        }
    }
    return control;
}

HWND create_dialog(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM parameter) {
    ResourceBytes bytes;
    if (!find_resource(instance, RT_DIALOG, name, &bytes)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    DialogTemplate dialog_template;
    if (!parse_dialog_template(bytes.data, bytes.size, &dialog_template)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    const DialogTemplate& t = dialog_template;
    std::string class_name = t.window_class.text.empty() ? "#32770" : t.window_class.text;

    SIZE base = default_base_units(t.font, t.point_size);
    if (Host* host = current_host()) {
        SIZE from_host = host->dialog_base_units(t.font, t.point_size);
        if (from_host.cx > 0 && from_host.cy > 0) base = from_host;
    }

    HWND parent = (t.style & WS_CHILD) ? owner : (owner ? top_level_of(owner) : nullptr);
    HWND dialog = CreateWindowExA(t.ex_style, class_name.c_str(), t.caption.c_str(), t.style & ~WS_VISIBLE, 0, 0, 0, 0,
                                  parent, nullptr, instance, nullptr);
    Window* window = find_window(dialog);
    if (!window) return nullptr;
    window->dialog = std::make_unique<DialogData>();
    window->dialog->base_units = base;
    window->dialog->font = t.font;
    window->dialog->point_size = t.point_size;
    window->units_rect = {t.x, t.y, t.x + t.cx, t.y + t.cy};
    window->rect = to_pixels(base, t.x, t.y, t.cx, t.cy);

    if (t.menu.is_ordinal || !t.menu.text.empty()) {
        LPCSTR menu_name = t.menu.is_ordinal ? MAKEINTRESOURCEA(t.menu.ordinal) : t.menu.text.c_str();
        if (HMENU menu = LoadMenuA(instance, menu_name)) SetMenu(dialog, menu);
    }
    for (const DialogItemTemplate& item : t.items) {
        if (!create_item(dialog, instance, base, item) && !(t.style & DS_NOFAILCREATE)) {
            DestroyWindow(dialog);
            return nullptr;
        }
    }

    window = find_window(dialog);
    window->dialog->proc = proc;
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    if (SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), parameter) && IsWindow(dialog)) {
        // The first tab stop takes the focus, an edit with its text selected.
        HWND focus = GetNextDlgTabItem(dialog, nullptr, FALSE);
        if (focus && (SendMessageA(focus, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL))
            SendMessageA(focus, EM_SETSEL, 0, -1);
        if (focus) SetFocus(focus);
    }
    if (!IsWindow(dialog)) return nullptr;
    if ((t.style & WS_VISIBLE) && !IsWindowVisible(dialog)) ShowWindow(dialog, SW_SHOWNORMAL);
    return IsWindow(dialog) ? dialog : nullptr;
}

void save_focus(HWND dialog) {
    DialogData* data = dialog_data(dialog);
    HWND focus = GetFocus();
    if (data && focus && focus != dialog && is_child_of(dialog, focus)) data->focus = focus;
}

void restore_focus(HWND dialog) {
    DialogData* data = dialog_data(dialog);
    if (!data) return;
    HWND focus = GetFocus();
    if (focus && focus != dialog && is_child_of(dialog, focus)) return;
    HWND target = data->focus;
    if (!target || !IsWindow(target) || !is_child_of(dialog, target) || !IsWindowEnabled(target))
        target = GetNextDlgTabItem(dialog, nullptr, FALSE);
    if (target) SetFocus(target);
}

LRESULT default_dialog_handling(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CLOSE: {
        // A dialog asks its procedure to cancel; only DefWindowProcA destroys.
        HWND cancel = GetDlgItem(hwnd, IDCANCEL);
        if (!cancel || IsWindowEnabled(cancel))
            PostMessageA(hwnd, WM_COMMAND, MAKELONG(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(wparam) == WA_INACTIVE) {
            save_focus(hwnd);
        } else {
            restore_focus(hwnd);
        }
        return 0;
    case WM_SETFOCUS: restore_focus(hwnd); return 0;
    case WM_SHOWWINDOW:
        if (!wparam) save_focus(hwnd);
        return DefWindowProcA(hwnd, message, wparam, lparam);
    case DM_SETDEFID:
        if (DialogData* data = dialog_data(hwnd)) {
            data->default_id = static_cast<WORD>(wparam);
            data->has_default_id = true;
        }
        return TRUE;
    case DM_GETDEFID: {
        DialogData* data = dialog_data(hwnd);
        if (data && data->has_default_id) return MAKELONG(data->default_id, DC_HASDEFID);
        for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            Window* window = find_window(child);
            if (window && upper(window->window_class->name) == "BUTTON" &&
                (window->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                return MAKELONG(window->id, DC_HASDEFID);
        }
        return 0;
    }
    case WM_NEXTDLGCTL: {
        HWND target = lparam ? reinterpret_cast<HWND>(wparam) : GetNextDlgTabItem(hwnd, GetFocus(), wparam != 0);
        if (target) SetFocus(target);
        return 0;
    }
    default: return DefWindowProcA(hwnd, message, wparam, lparam);
    }
}

// Windows' reading of a number in a field: blanks around it, an optional
// sign, decimal digits and nothing else, within the range of the type.
bool parse_dialog_number(const char* text, bool is_signed, UINT* value) {
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    bool negative = false;
    if (is_signed && (*p == '-' || *p == '+')) negative = *p++ == '-';
    if (!isdigit(static_cast<unsigned char>(*p))) return false;
    unsigned long long number = 0;
    while (isdigit(static_cast<unsigned char>(*p))) {
        number = number * 10 + static_cast<unsigned>(*p++ - '0');
        if (number > 0xFFFFFFFFull) return false;
    }
    while (*p == ' ' || *p == '\t') ++p;
    if (*p != '\0') return false;
    if (is_signed) {
        if (negative ? number > 0x80000000ull : number > 0x7FFFFFFFull) return false;
        *value = negative ? static_cast<UINT>(-static_cast<long long>(number)) : static_cast<UINT>(number);
    } else {
        *value = static_cast<UINT>(number);
    }
    return true;
}

}  // namespace

DialogData* dialog_data(HWND hwnd) {
    Window* window = find_window(hwnd);
    return window ? window->dialog.get() : nullptr;
}

LRESULT CALLBACK dialog_class_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefDlgProcA(hwnd, message, wparam, lparam);
}

}  // namespace platform

using namespace platform;

LRESULT WINAPI DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
    DialogData* data = dialog_data(hDlg);
    if (!data) return DefWindowProcA(hDlg, Msg, wParam, lParam);
    DLGPROC proc = data->proc;
    if (proc) data->msg_result = 0;
    INT_PTR result = proc ? proc(hDlg, Msg, wParam, lParam) : 0;
    // The procedure may have destroyed its dialog.
    data = dialog_data(hDlg);
    if (!data) return result;
    if (result) return is_special_result(Msg) ? result : data->msg_result;
    return default_dialog_handling(hDlg, Msg, wParam, lParam);
}

HWND WINAPI CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam) {
    return create_dialog(hInstance, lpTemplateName, hWndParent, lpDialogFunc, dwInitParam);
}

INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam) {
    if (hWndParent && !IsWindow(hWndParent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    HWND owner = hWndParent ? top_level_of(hWndParent) : nullptr;
    HWND dialog = create_dialog(hInstance, lpTemplateName, owner, lpDialogFunc, dwInitParam);
    if (!dialog) return -1;

    // A dialog with an owner keeps the owner from input while it runs; one
    // without leaves every other window usable.
    bool disabled_owner = false;
    DialogData* data = dialog_data(dialog);
    if (owner && IsWindowEnabled(owner) && data) {
        EnableWindow(owner, FALSE);
        disabled_owner = true;
        data->disabled_owner = owner;
    }
    if (data && !data->ended && !IsWindowVisible(dialog)) ShowWindow(dialog, SW_SHOW);

    ThreadQueue& queue = current_queue();
    WaitContext context;
    context.modal_window = dialog;
    for (;;) {
        data = dialog_data(dialog);
        if (!data || data->ended) break;
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            wait_for_messages(queue, context);
            continue;
        }
        if (msg.message == WM_QUIT) {
            // Ends this loop; the quit goes on to the loop outside.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    data = dialog_data(dialog);
    if (disabled_owner && IsWindow(owner) && (!data || data->disabled_owner)) EnableWindow(owner, TRUE);
    if (!data) return 0;  // destroyed, not ended
    INT_PTR result = data->result;
    DestroyWindow(dialog);
    return result;
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
    DialogData* data = dialog_data(hDlg);
    if (!data) return fail_with(ERROR_INVALID_WINDOW_HANDLE);
    data->ended = true;
    data->result = nResult;
    // The owner is enabled before the dialog hides, so that the activation
    // (and with it the focus the owner had) goes back to it.
    if (HWND owner = data->disabled_owner) {
        data->disabled_owner = nullptr;
        if (IsWindow(owner)) EnableWindow(owner, TRUE);
    }
    ShowWindow(hDlg, SW_HIDE);
    PostMessageA(hDlg, WM_NULL, 0, 0);  // wakes the modal loop
    return TRUE;
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
    if (!window_or_error(hDlg)) return nullptr;
    for (HWND child = GetWindow(hDlg, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) == nIDDlgItem) return child;
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

LRESULT WINAPI SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) {
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SendMessageA(item, Msg, wParam, lParam) : 0;
}

UINT WINAPI GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax) {
    if (lpString && cchMax > 0) lpString[0] = '\0';
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    if (!item || !lpString || cchMax <= 0) return 0;
    return static_cast<UINT>(SendMessageA(item, WM_GETTEXT, static_cast<WPARAM>(cchMax), reinterpret_cast<LPARAM>(lpString)));
}

BOOL WINAPI SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) {
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? static_cast<BOOL>(SendMessageA(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString))) : FALSE;
}

UINT WINAPI GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL* lpTranslated, BOOL bSigned) {
    if (lpTranslated) *lpTranslated = FALSE;
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    if (!item) return 0;
    // The whole text: what follows a number beyond any fixed length must
    // still make it no number.
    std::string text(static_cast<size_t>(GetWindowTextLengthA(item)) + 1, '\0');
    SendMessageA(item, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    UINT value = 0;
    if (!parse_dialog_number(text.c_str(), bSigned != FALSE, &value)) return 0;
    if (lpTranslated) *lpTranslated = TRUE;
    return value;
}

BOOL WINAPI SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned) {
    char text[16];
    if (bSigned) {
        snprintf(text, sizeof text, "%d", static_cast<int>(uValue));
    } else {
        snprintf(text, sizeof text, "%u", uValue);
    }
    return SetDlgItemTextA(hDlg, nIDDlgItem, text);
}

BOOL WINAPI CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck) {
    HWND item = GetDlgItem(hDlg, nIDButton);
    if (!item) return FALSE;
    SendMessageA(item, BM_SETCHECK, uCheck, 0);
    return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND hDlg, int nIDButton) {
    return static_cast<UINT>(SendDlgItemMessageA(hDlg, nIDButton, BM_GETCHECK, 0, 0));
}

BOOL WINAPI CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton, int nIDCheckButton) {
    for (int id = nIDFirstButton; id <= nIDLastButton; ++id)
        if (HWND item = GetDlgItem(hDlg, id)) SendMessageA(item, BM_SETCHECK, id == nIDCheckButton, 0);
    return TRUE;
}

BOOL WINAPI MapDialogRect(HWND hDlg, LPRECT lpRect) {
    DialogData* data = dialog_data(hDlg);
    if (!data || !lpRect) return fail_with(ERROR_INVALID_WINDOW_HANDLE);
    SIZE base = data->base_units;
    lpRect->left = MulDiv(lpRect->left, base.cx, 4);
    lpRect->right = MulDiv(lpRect->right, base.cx, 4);
    lpRect->top = MulDiv(lpRect->top, base.cy, 8);
    lpRect->bottom = MulDiv(lpRect->bottom, base.cy, 8);
    return TRUE;
}

LONG WINAPI GetDialogBaseUnits(void) { return MAKELONG(8, 16); }
