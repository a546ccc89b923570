#include "output/web_pages.h"

#include <stdio.h>
#include <string.h>

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

// The copy of a page installed with the program: the maker's site in
// "site" beside it (the build tree, the Windows download) or in
// "../share/orvasse/site" (a Linux installation). False when there is none.
static bool local_page(const char* page, char* path, size_t size) {
    char program[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, program, sizeof program);
    if (length == 0 || length >= sizeof program) return false;
    char* slash = strrchr(program, '/');
    char* backslash = strrchr(program, '\\');
    char* end = backslash > slash ? backslash : slash;
    if (!end) return false;
    char separator = *end;
    *end = '\0';
    static const char* const sites[] = {"site", "../share/orvasse/site"};
    for (const char* site : sites) {
        int n = snprintf(path, size, "%s/%s%s%s", program, site, page, page[strlen(page) - 1] == '/' ? "index.html" : "");
        if (n < 0 || (size_t)n >= size) return false;
        for (char* at = path + strlen(program); *at; ++at)
            if (*at == '/') *at = separator;
        DWORD attributes = GetFileAttributesA(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    }
    return false;
}

// The installed copy when there is one, so the pages show without a
// network; the address on the maker's site otherwise. False when nothing
// opened it; *target: what was asked for.
static bool open_page(HWND owner, const char* page, char* target, size_t size) {
    if (!local_page(page, target, size)) snprintf(target, size, "%s%s", MakerWebAddress, page);
    return (INT_PTR)ShellExecuteA(owner, "open", target, NULL, NULL, SW_HIDE) > 32;
}

void open_web_page(HWND owner, const char* page) {
    char target[MAX_PATH + 64];
    open_page(owner, page, target, sizeof target);
}

void show_web_page(HWND owner, const char* page) {
    char target[MAX_PATH + 64];
    if (open_page(owner, page, target, sizeof target)) return;
    char text[MAX_PATH + 160];
    snprintf(text, sizeof text, "No program could open the page %s. Open it in a web browser yourself.", target);
    MessageBoxA(owner, text, "Web Page", MB_OK);
}
