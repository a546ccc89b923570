// Menus: loaded from the resources, attached to a window, read and changed
// by identifier or position.
#include <vector>

#include "platform/kernel/handles.h"
#include "platform/user/objects.h"
#include "platform/user/resource.h"
#include "platform/user/window.h"

namespace platform {

namespace {

struct MenuItem {
    UINT flags = 0;
    UINT id = 0;
    std::string text;
    HMENU popup = nullptr;
};

struct Menu : UserObject {
    std::vector<MenuItem> items;
};

HMENU build(const std::vector<MenuItemTemplate>& templates) {
    auto menu = std::make_shared<Menu>();
    for (const MenuItemTemplate& t : templates) {
        MenuItem item;
        item.flags = t.flags & ~static_cast<UINT>(MF_END);
        item.id = t.id;
        item.text = t.text;
        if (t.flags & MF_POPUP) item.popup = build(t.popup);
        // A plain item without text and id is a separator.
        if (!(t.flags & MF_POPUP) && t.id == 0 && t.text.empty()) item.flags |= MF_SEPARATOR;
        menu->items.push_back(item);
    }
    return static_cast<HMENU>(insert_user_object(menu));
}

std::shared_ptr<Menu> menu_or_error(HMENU menu) {
    auto found = user_object<Menu>(menu);
    if (!found) SetLastError(ERROR_INVALID_MENU_HANDLE);
    return found;
}

// The item an identifier or position names, searching popups by identifier.
MenuItem* find_item(HMENU handle, UINT item, UINT flags) {
    auto menu = user_object<Menu>(handle);
    if (!menu) return nullptr;
    if (flags & MF_BYPOSITION) return item < menu->items.size() ? &menu->items[item] : nullptr;
    for (MenuItem& entry : menu->items) {
        if (!(entry.flags & MF_POPUP) && entry.id == item) return &entry;
        if (entry.popup)
            if (MenuItem* inner = find_item(entry.popup, item, flags)) return inner;
    }
    return nullptr;
}

void view_items(HMENU handle, std::vector<MenuItemView>* out) {
    auto menu = user_object<Menu>(handle);
    if (!menu) return;
    for (const MenuItem& item : menu->items) {
        MenuItemView view;
        view.id = item.id;
        view.flags = item.flags;
        view.text = item.text;
        if (item.popup) view_items(item.popup, &view.popup);
        out->push_back(view);
    }
}

}  // namespace

bool view_menu(HMENU menu, std::vector<MenuItemView>* items) {
    if (!user_object<Menu>(menu) || !items) return false;
    items->clear();
    view_items(menu, items);
    return true;
}

}  // namespace platform

using namespace platform;

HMENU WINAPI LoadMenuA(HINSTANCE hInstance, LPCSTR lpMenuName) {
    ResourceBytes bytes;
    if (!find_resource(hInstance, RT_MENU, lpMenuName, &bytes)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    std::vector<MenuItemTemplate> bar;
    if (!parse_menu_template(bytes.data, bytes.size, &bar)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    return build(bar);
}

HMENU WINAPI GetMenu(HWND hWnd) {
    Window* window = window_or_error(hWnd);
    return window && !window->parent ? window->menu : nullptr;
}

BOOL WINAPI SetMenu(HWND hWnd, HMENU hMenu) {
    Window* window = window_or_error(hWnd);
    if (!window) return FALSE;
    if (window->parent) return fail_with(ERROR_NOT_CHILD_WINDOW);
    if (hMenu && !menu_or_error(hMenu)) return FALSE;
    window->menu = hMenu;
    notify_host(hWnd, WindowChange::Menu);
    return TRUE;
}

HMENU WINAPI GetSubMenu(HMENU hMenu, int nPos) {
    auto menu = menu_or_error(hMenu);
    if (!menu || nPos < 0 || nPos >= static_cast<int>(menu->items.size())) return nullptr;
    return menu->items[static_cast<size_t>(nPos)].popup;
}

int WINAPI GetMenuItemCount(HMENU hMenu) {
    auto menu = menu_or_error(hMenu);
    return menu ? static_cast<int>(menu->items.size()) : -1;
}

UINT WINAPI GetMenuItemID(HMENU hMenu, int nPos) {
    auto menu = menu_or_error(hMenu);
    if (!menu || nPos < 0 || nPos >= static_cast<int>(menu->items.size())) return static_cast<UINT>(-1);
    const MenuItem& item = menu->items[static_cast<size_t>(nPos)];
    return item.popup ? static_cast<UINT>(-1) : item.id;
}

int WINAPI GetMenuStringA(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT flags) {
    if (!menu_or_error(hMenu)) return 0;
    MenuItem* item = find_item(hMenu, uIDItem, flags);
    if (!item) return 0;
    if (!lpString || cchMax <= 0) return static_cast<int>(item->text.size());
    return static_cast<int>(copy_text_out(item->text, lpString, static_cast<WPARAM>(cchMax)));
}

UINT WINAPI GetMenuState(HMENU hMenu, UINT uId, UINT uFlags) {
    if (!menu_or_error(hMenu)) return static_cast<UINT>(-1);
    MenuItem* item = find_item(hMenu, uId, uFlags);
    return item ? item->flags : static_cast<UINT>(-1);
}

BOOL WINAPI EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable) {
    if (!menu_or_error(hMenu)) return -1;
    MenuItem* item = find_item(hMenu, uIDEnableItem, uEnable);
    if (!item) return -1;
    UINT previous = item->flags & (MF_GRAYED | MF_DISABLED);
    item->flags = (item->flags & ~static_cast<UINT>(MF_GRAYED | MF_DISABLED)) | (uEnable & (MF_GRAYED | MF_DISABLED));
    return static_cast<BOOL>(previous);
}

BOOL WINAPI DestroyMenu(HMENU hMenu) {
    auto menu = menu_or_error(hMenu);
    if (!menu) return FALSE;
    for (const MenuItem& item : menu->items)
        if (item.popup) DestroyMenu(item.popup);
    return remove_user_object(hMenu);
}

BOOL WINAPI DrawMenuBar(HWND hWnd) {
    if (!window_or_error(hWnd)) return FALSE;
    notify_host(hWnd, WindowChange::Menu);
    return TRUE;
}
