#include "editor/dialog_number.h"

#include <stdlib.h>

bool parse_sector_number(const char* text, SectorNumber* value) {
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p < '0' || *p > '9') return false;
    SectorNumber number = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        unsigned digit = (unsigned)(*p - '0');
        if (number > (~0ULL - digit) / 10) return false;
        number = number * 10 + digit;
    }
    while (*p == ' ' || *p == '\t') ++p;
    if (*p != '\0') return false;
    *value = number;
    return true;
}

SectorNumber get_dialog_number(HWND dialog, int id, BOOL* translated) {
    *translated = FALSE;
    HWND item = GetDlgItem(dialog, id);
    if (!item) return 0;
    // The whole text: what follows the digits, however far, makes it no number.
    int length = GetWindowTextLengthA(item);
    char* text = (char*)malloc((size_t)length + 1);
    if (!text) return 0;
    GetWindowTextA(item, text, length + 1);
    SectorNumber value = 0;  // kept when the text is no number
    if (parse_sector_number(text, &value)) *translated = TRUE;
    free(text);
    return value;
}
