#include "output/web_pages.h"

#include <stdio.h>

#include "resources/resource.h"

void open_web_page(HWND owner, const char* page) {
    char address[256];
    snprintf(address, sizeof address, "%s%s", MakerWebAddress, page);
    ShellExecuteA(owner, "open", address, NULL, NULL, SW_HIDE);
}
