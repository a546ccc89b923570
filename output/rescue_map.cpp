#include "output/rescue_map.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

void begin_rescue_map(RescueMap* map, SectorNumber first) {
    memset(map, 0, sizeof *map);
    map->first = first;
}

void note_unreadable(RescueMap* map, SectorNumber sector) {
    if (map->runs > 0) {
        SectorNumber* last = map->bad + 2 * (map->runs - 1);
        if (last[0] + last[1] == sector) {
            ++last[1];
            return;
        }
    }
    if (map->runs == map->room) {
        size_t room = map->room ? 2 * map->room : 16;
        SectorNumber* grown = (SectorNumber*)realloc(map->bad, room * 2 * sizeof *grown);
        if (!grown) {
            map->lost = true;
            return;
        }
        map->bad = grown;
        map->room = room;
    }
    map->bad[2 * map->runs] = sector;
    map->bad[2 * map->runs + 1] = 1;
    ++map->runs;
}

// One line of the map: bytes from sector `from`, count sectors, status.
static void block_line(FILE* file, SectorNumber from, SectorNumber count, char status) {
    if (count) fprintf(file, "0x%08llX  0x%08llX  %c\n", from * SECTOR_SIZE, count * SECTOR_SIZE, status);
}

bool write_rescue_map(const RescueMap* map, SectorNumber done, const char* image_path) {
    if (map->lost) return false;
    char path[300];
    if (snprintf(path, sizeof path, "%s.map", image_path) >= (int)sizeof path) return false;
    FILE* file = fopen(path, "w");
    if (!file) return false;
    SectorNumber end = map->first + done;
    fprintf(file, "# Mapfile. Created by Orvasse v1.01 (Export Sector(s))\n");
    fprintf(file, "# current_pos  current_status  current_pass\n");
    fprintf(file, "0x%08llX     +               1\n", end * SECTOR_SIZE);
    fprintf(file, "#      pos        size  status\n");
    // Before the run nothing was tried; positions are the disk's.
    block_line(file, 0, map->first, '?');
    // Only sectors in the image were noted: every run ends by `end`.
    SectorNumber at = map->first;
    for (size_t i = 0; i < map->runs; ++i) {
        SectorNumber start = map->bad[2 * i];
        SectorNumber count = map->bad[2 * i + 1];
        block_line(file, at, start - at, '+');
        block_line(file, start, count, '-');
        at = start + count;
    }
    block_line(file, at, end - at, '+');
    return fclose(file) == 0;
}

void end_rescue_map(RescueMap* map) {
    free(map->bad);
    map->bad = NULL;
    map->runs = map->room = 0;
}
