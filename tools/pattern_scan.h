// Finding the search pattern in a chunk of the disk: the answer is the plain
// comparison's (the first position where every byte of the pattern agrees),
// found fast enough to keep up with the device.
#pragma once

#include <stddef.h>

#include "platform/win32.h"

constexpr size_t MAX_PATTERN_LENGTH = 49;

// What the scan keeps of a pattern between chunks.
struct PatternScan {
    BYTE pattern[MAX_PATTERN_LENGTH];
    size_t length;
    size_t second_anchor;  // a position whose byte differs from the first, where there is one
    int failure[MAX_PATTERN_LENGTH + 1];  // the prefix function, for the linear fallback
};

// length is 1 to MAX_PATTERN_LENGTH.
void prepare_pattern_scan(PatternScan* scan, const BYTE* pattern, size_t length);

// The first position of data[0 .. size) that starts a whole match, or
// (size_t)-1 when none does.
size_t find_pattern(const PatternScan* scan, const BYTE* data, size_t size);
