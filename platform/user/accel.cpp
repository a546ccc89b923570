// Accelerator tables: loaded from the resources, searched in stored order;
// the first entry whose key and modifiers match exactly sends its command.
#include <vector>

#include "platform/kernel/handles.h"
#include "platform/user/objects.h"
#include "platform/user/resource.h"
#include "platform/user/window.h"

namespace platform {

namespace {

struct AcceleratorTable : UserObject {
    std::vector<ACCEL> entries;
};

bool key_matches(const ACCEL& entry, const MSG& msg) {
    UINT message = msg.message;
    BYTE held = 0;
    if (GetKeyState(VK_SHIFT) < 0) held |= FSHIFT;
    if (GetKeyState(VK_CONTROL) < 0) held |= FCONTROL;
    if (GetKeyState(VK_MENU) < 0) held |= FALT;
    if (message == WM_CHAR || message == WM_SYSCHAR) {
        // Character entries match the character; of the modifiers only Alt counts.
        return !(entry.fVirt & FVIRTKEY) && entry.key == msg.wParam && (held & FALT) == (entry.fVirt & FALT);
    }
    if (!(entry.fVirt & FVIRTKEY) || entry.key != msg.wParam) return false;
    return held == (entry.fVirt & (FSHIFT | FCONTROL | FALT));
}

// Whether the command is a disabled item of the window's menu.
bool disabled_in_menu(HWND hwnd, WORD command) {
    if (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD) return false;
    HMENU menu = GetMenu(hwnd);
    if (!menu) return false;
    UINT state = GetMenuState(menu, command, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED));
}

}  // namespace

}  // namespace platform

using namespace platform;

HACCEL WINAPI LoadAcceleratorsA(HINSTANCE hInstance, LPCSTR lpTableName) {
    ResourceBytes bytes;
    if (!find_resource(hInstance, RT_ACCELERATOR, lpTableName, &bytes)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    auto table = std::make_shared<AcceleratorTable>();
    if (!parse_accelerator_table(bytes.data, bytes.size, &table->entries)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    return static_cast<HACCEL>(insert_user_object(table));
}

int WINAPI TranslateAcceleratorA(HWND hWnd, HACCEL hAccTable, LPMSG lpMsg) {
    auto table = user_object<AcceleratorTable>(hAccTable);
    if (!table) {
        SetLastError(ERROR_INVALID_ACCEL_HANDLE);
        return 0;
    }
    if (!hWnd || !lpMsg || !IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    UINT message = lpMsg->message;
    bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    bool up = message == WM_KEYUP || message == WM_SYSKEYUP;
    if (!down && !up && message != WM_CHAR && message != WM_SYSCHAR) return 0;
    for (const ACCEL& entry : table->entries) {
        if (!key_matches(entry, *lpMsg)) continue;
        // A key's release is swallowed with its press.
        if (up) return 1;
        if (IsWindowEnabled(hWnd) && !disabled_in_menu(hWnd, entry.cmd))
            SendMessageA(hWnd, WM_COMMAND, MAKELONG(entry.cmd, 1), 0);
        return 1;
    }
    return 0;
}

int WINAPI CopyAcceleratorTableA(HACCEL hAccelSrc, LPACCEL lpAccelDst, int cAccelEntries) {
    auto table = user_object<AcceleratorTable>(hAccelSrc);
    if (!table) {
        SetLastError(ERROR_INVALID_ACCEL_HANDLE);
        return 0;
    }
    int count = static_cast<int>(table->entries.size());
    if (!lpAccelDst) return count;
    int copied = std::min(count, cAccelEntries);
    for (int i = 0; i < copied; ++i) lpAccelDst[i] = table->entries[static_cast<size_t>(i)];
    return copied;
}

BOOL WINAPI DestroyAcceleratorTable(HACCEL hAccel) {
    if (!user_object<AcceleratorTable>(hAccel)) return fail_with(ERROR_INVALID_ACCEL_HANDLE);
    return remove_user_object(hAccel);
}
