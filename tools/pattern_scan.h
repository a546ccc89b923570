// Finding the search pattern in a chunk of the disk: the answer is the plain
// comparison's (the first position where every byte of the pattern agrees,
// or going backwards the last), found fast enough to keep up with the
// device.
#pragma once

#include <stddef.h>

#include "platform/win32.h"

constexpr size_t MAX_PATTERN_LENGTH = 49;

// What the scan keeps of a pattern between chunks.
struct PatternScan {
    BYTE pattern[MAX_PATTERN_LENGTH];  // as compared: letters in lower case where case does not matter
    size_t length;
    bool any_case;          // ASCII letters match either case
    BYTE as_compared[256];  // each byte of the data as compared with the pattern
    size_t second_anchor;   // a position whose byte differs from the first, where there is one
    BYTE anchor_fold[2];    // 0x20 for the first and second anchor where either case of a letter matches
    int failure[MAX_PATTERN_LENGTH + 1];       // the prefix function, for the linear fallback
    int failure_back[MAX_PATTERN_LENGTH + 1];  // the same of the pattern reversed, going backwards
};

// length is 1 to MAX_PATTERN_LENGTH. Without match_case the ASCII letters
// match either case; every other byte matches only itself.
void prepare_pattern_scan(PatternScan* scan, const BYTE* pattern, size_t length, bool match_case = true);

// The first position of data[0 .. size) that starts a whole match, or
// (size_t)-1 when none does.
size_t find_pattern(const PatternScan* scan, const BYTE* data, size_t size);

// The last such position, or (size_t)-1.
size_t find_last_pattern(const PatternScan* scan, const BYTE* data, size_t size);
