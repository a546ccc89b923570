// The maker's web pages, opened through the shell.
#pragma once

#include "platform/win32.h"

#define HELP_PAGE "/software/orvasse/help.html"
#define LICENSE_PAGE "/software/orvasse/license.html"
#define HOME_PAGE "/"
#define PRODUCT_PAGE "/software/orvasse/"
#define VELLUM_PAGE "/software/vellum/"
#define TESSEL_PAGE "/software/tessel/"
#define BRISK_PAGE "/software/brisk/"
#define VELLUM_HELP_PAGE "/software/vellum/help.html"

// The page table: every page the program opens, and the menu command that
// opens it (0 for the openings that are not menu commands: the start, the
// About box's button, the Number of Sectors dialog).
struct WebPageEntry {
    WORD command;
    const char* page;
};
extern const WebPageEntry WebPageTable[];
extern const int WebPageCount;

// The page of a Help or Links menu command; NULL for any other command.
const char* page_of_command(WORD command);

// Asks the shell to open a page of the maker's site, hidden: the copy
// installed with the program when there is one, else MakerWebAddress
// followed by page. open_web_page, for the pages the program opens on its
// own, says nothing when none opens; show_web_page, for those the user asks
// for, says so, naming the page.
void open_web_page(HWND owner, const char* page);
void show_web_page(HWND owner, const char* page);
