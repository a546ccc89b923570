#include "output/web_pages.h"

#include <stdio.h>

#include "resources/resource.h"

const WebPageEntry WebPageTable[] = {
    {0, HELP_PAGE},  // at every start
    {IDM_HELP, HELP_PAGE},
    {IDM_LICENSE, LICENSE_PAGE},
    {IDM_LINK_HOME, HOME_PAGE},
    {IDM_LINK_VELLUM, VELLUM_PAGE},
    {IDM_LINK_TESSEL, TESSEL_PAGE},
    {IDM_LINK_ORVASSE, PRODUCT_PAGE},
    {IDM_LINK_BRISK, BRISK_PAGE},
    {0, HOME_PAGE},         // the About box's web-address button
    {0, VELLUM_HELP_PAGE},  // the Number of Sectors dialog
};
const int WebPageCount = sizeof WebPageTable / sizeof WebPageTable[0];

const char* page_of_command(WORD command) {
    if (command == 0) return NULL;
    for (int i = 0; i < WebPageCount; ++i)
        if (WebPageTable[i].command == command) return WebPageTable[i].page;
    return NULL;
}

void open_web_page(HWND owner, const char* page) {
    char address[256];
    snprintf(address, sizeof address, "%s%s", MakerWebAddress, page);
    ShellExecuteA(owner, "open", address, NULL, NULL, SW_HIDE);
}
