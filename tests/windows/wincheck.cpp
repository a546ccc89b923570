// orvasse_wincheck [\\.\C: | \\.\PHYSICALDRIVE0]
#include <stdio.h>
#include <string.h>

#include "disk/sector_access.h"
#include "editor/editor_state.h"
#include "editor/pane_render.h"

static int failures = 0;

static void check(bool ok, const char* what) {
    if (!ok) {
        printf("FAILED: %s\n", what);
        ++failures;
    }
}

static void check_layout() {
    BYTE data[512];
    for (int i = 0; i < 512; ++i) data[i] = (BYTE)i;
    format_hex_pane(data, PaneText);
    check(strlen(PaneText) == HEX_PANE_LENGTH, "hex pane is 1598 characters");
    make_text_copy(data, TextCopy);
    format_text_pane(TextCopy, PaneText, false);
    check(strlen(PaneText) == TEXT_PANE_LENGTH, "text pane is 574 characters");
    format_counter(4294967295u, 2879, CounterText);
    check(strcmp(CounterText, "4294967295 of 0000002879") == 0, "counter");
    format_counter(5, 6442450943ull, CounterText);
    check(strcmp(CounterText, "0000000005 of 6442450943") == 0, "counter of a 3 TiB disk");
    format_counter(0, (1ull << 40) - 1, CounterText);
    check(strcmp(CounterText, "0000000000000 of 1099511627775") == 0, "counter of a 2^40-sector disk");
    for (int i = 0; i < 512; ++i) {
        int p = hex_position_of_byte(i);
        check(hex_position_to_byte(p + 1) == i && hex_to_text_position(p) == text_position_of_byte(i),
              "position formulas agree");
    }
    check(last_sector_of_length(1474560) == 2879, "1,474,560 bytes end at sector 2879");
    check(last_sector_of_length(1475072) == 2880, "2,881 sectors end at sector 2880");
    check(last_sector_of_length(512) == 0, "one sector ends at sector 0");
    check(last_sector_of_length(3LL << 41) == (3ull << 41) / 512 - 1, "6 TiB end at their last sector");
}

static void show_sector_zero(const char* path) {
    HANDLE disk = open_disk_device(path);
    if (disk == INVALID_HANDLE_VALUE) {
        printf("%s cannot be opened (error %lu)\n", path, (unsigned long)GetLastError());
        ++failures;
        return;
    }
    EditorState.LastSector = query_last_sector(disk);
    DWORD got = read_sectors(disk, 0, 1, EditorState.SectorData);
    if (got != SECTOR_SIZE) {
        printf("sector 0 of %s: %lu bytes\n", path, (unsigned long)got);
        ++failures;
    }
    format_counter(0, EditorState.LastSector, CounterText);
    format_hex_pane(EditorState.SectorData, PaneText);
    printf("%s\n%s\n", CounterText, PaneText);
    close_disk_device(disk);
}

int main(int argc, char** argv) {
    reset_editor_state();
    check_layout();
    if (argc > 1) show_sector_zero(argv[1]);
    printf(failures ? "%d check(s) failed\n" : "all checks passed\n", failures);
    return failures ? 1 : 0;
}
