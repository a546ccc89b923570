// What `orvasse --drives` prints: one line per disk the Select Disk dialog
// lists, saying what is behind the name.
#pragma once

#include <cstdio>

void print_drive_report(FILE* out);
