// Icons and bitmaps loaded from the resources.
#include "platform/kernel/handles.h"
#include "platform/user/objects.h"
#include "platform/user/resource.h"
#include "platform/user/window_view.h"

namespace platform {

namespace {

struct Icon : UserObject {
    std::vector<IconImage> images;
};

struct Bitmap : UserObject {
    BitmapImage image;
};

}  // namespace

const std::vector<IconImage>* icon_images(HICON icon) {
    auto found = user_object<Icon>(icon);
    return found ? &found->images : nullptr;
}

const BitmapImage* bitmap_image(HBITMAP bitmap) {
    auto found = user_object<Bitmap>(bitmap);
    return found ? &found->image : nullptr;
}

}  // namespace platform

using namespace platform;

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
    auto icon = std::make_shared<Icon>();
    if (!load_icon_group(hInstance, lpIconName, &icon->images) || icon->images.empty()) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return static_cast<HICON>(insert_user_object(icon));
}

BOOL WINAPI DestroyIcon(HICON hIcon) {
    if (!user_object<Icon>(hIcon)) return fail_with(ERROR_INVALID_ICON_HANDLE);
    return remove_user_object(hIcon);
}

HBITMAP WINAPI LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName) {
    auto bitmap = std::make_shared<Bitmap>();
    if (!load_bitmap(hInstance, lpBitmapName, &bitmap->image)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return static_cast<HBITMAP>(insert_user_object(bitmap));
}

BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    if (!user_object<Bitmap>(ho)) return fail_with(ERROR_INVALID_HANDLE);
    return remove_user_object(ho);
}
