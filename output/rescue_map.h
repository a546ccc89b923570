// What an export could and could not read, written beside the image in the
// mapfile format of GNU ddrescue, so that ddrescue can later retry just the
// sectors that were not read ("ddrescue -i START -o 0 DISK IMAGE MAP").
#pragma once

#include "disk/sector_access.h"
#include "platform/win32.h"

struct RescueMap {
    SectorNumber first;  // the disk's sector that is the image's sector 0
    SectorNumber* bad;   // the unreadable runs: start and count, in order
    size_t runs;
    size_t room;
    bool lost;           // memory ran out: the map would be wrong, so none is written
};

void begin_rescue_map(RescueMap* map, SectorNumber first);
// Sectors are noted in increasing order; a neighbour joins the run before.
void note_unreadable(RescueMap* map, SectorNumber sector);
// Writes image_path + ".map" for the first `done` sectors of the run, which
// hold every sector noted. False when it could not be written.
bool write_rescue_map(const RescueMap* map, SectorNumber done, const char* image_path);
void end_rescue_map(RescueMap* map);
