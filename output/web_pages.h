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

// Asks the shell to open MakerWebAddress followed by page, hidden; what the
// shell makes of it is not examined.
void open_web_page(HWND owner, const char* page);
