#include "tools/pattern_scan.h"

#include <string.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define SCAN_ON_X86 1
#endif

static const size_t NOT_FOUND = (size_t)-1;

void prepare_pattern_scan(PatternScan* scan, const BYTE* pattern, size_t length) {
    memcpy(scan->pattern, pattern, length);
    scan->length = length;
    // Two bytes of the pattern filter the positions. Where the first and the
    // last are alike (a run of zeros, say), another byte tells more.
    scan->second_anchor = length - 1;
    for (size_t j = length - 1; j > 0; --j) {
        if (pattern[j] != pattern[0]) {
            scan->second_anchor = j;
            break;
        }
    }
    scan->failure[0] = -1;
    int k = -1;
    for (size_t i = 0; i < length; ++i) {
        while (k >= 0 && pattern[k] != pattern[i]) k = scan->failure[k];
        scan->failure[i + 1] = ++k;
    }
}

// How many leading bytes of a and b agree, up to n.
static size_t agreeing(const BYTE* a, const BYTE* b, size_t n) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        unsigned long long x, y;
        memcpy(&x, a + i, 8);
        memcpy(&y, b + i, 8);
        // Little-endian: the lowest differing byte is the first.
        if (x != y) return i + (size_t)__builtin_ctzll(x ^ y) / 8;
    }
    while (i < n && a[i] == b[i]) ++i;
    return i;
}

// Knuth-Morris-Pratt from position from: linear whatever the data, for the
// inputs on which the filter keeps finding near misses.
static size_t find_linear(const PatternScan* scan, const BYTE* data, size_t size, size_t from) {
    int k = 0;
    int length = (int)scan->length;
    for (size_t i = from; i < size; ++i) {
        while (k >= 0 && scan->pattern[k] != data[i]) k = scan->failure[k];
        if (++k == length) return i + 1 - scan->length;
    }
    return NOT_FOUND;
}

// The state of one scan: where the filter stands, and what the near misses
// have cost. Once they have cost more than a few passes over what was
// scanned, the rest goes to the linear search.
struct Scan {
    const PatternScan* scan;
    const BYTE* data;
    size_t size;
    size_t last;  // the last position a match can start at
    size_t p;
    size_t compared;
    size_t answer;
};

// Checks one position that passed the filter; true when the answer is known.
static inline bool check(Scan* s, size_t at) {
    if (at > s->last) {
        s->answer = NOT_FOUND;
        return true;
    }
    size_t agreed = agreeing(s->data + at, s->scan->pattern, s->scan->length);
    if (agreed == s->scan->length) {
        s->answer = at;
        return true;
    }
    s->compared += agreed + 1;
    if (s->compared > 4 * (at + 1) + 4096) {
        s->answer = find_linear(s->scan, s->data, s->size, at + 1);
        return true;
    }
    return false;
}

// The positions of one block, as bits in increasing order.
static inline bool check_block(Scan* s, unsigned mask) {
    for (; mask; mask &= mask - 1)
        if (check(s, s->p + (size_t)__builtin_ctz(mask))) return true;
    return false;
}

#if SCAN_ON_X86
__attribute__((target("avx2"))) static inline __m256i candidates_32(const BYTE* at, size_t anchor, __m256i firsts,
                                                                     __m256i seconds) {
    __m256i a = _mm256_loadu_si256((const __m256i*)at);
    __m256i b = _mm256_loadu_si256((const __m256i*)(at + anchor));
    return _mm256_and_si256(_mm256_cmpeq_epi8(a, firsts), _mm256_cmpeq_epi8(b, seconds));
}

// 32 positions at a time; the second load reaches anchor + 31 bytes beyond p.
// Four blocks are filtered before one branch: on data where candidates are
// rare the loop then costs little more than its loads.
__attribute__((target("avx2"))) static bool filter_32(Scan* s) {
    const size_t anchor = s->scan->second_anchor;
    const __m256i firsts = _mm256_set1_epi8((char)s->scan->pattern[0]);
    const __m256i seconds = _mm256_set1_epi8((char)s->scan->pattern[anchor]);
    while (s->p <= s->last && s->size - s->p >= anchor + 128) {
        const BYTE* at = s->data + s->p;
        __m256i c0 = candidates_32(at, anchor, firsts, seconds);
        __m256i c1 = candidates_32(at + 32, anchor, firsts, seconds);
        __m256i c2 = candidates_32(at + 64, anchor, firsts, seconds);
        __m256i c3 = candidates_32(at + 96, anchor, firsts, seconds);
        __m256i any = _mm256_or_si256(_mm256_or_si256(c0, c1), _mm256_or_si256(c2, c3));
        if (!_mm256_testz_si256(any, any)) {
            // In order: the first candidate that matches is the answer.
            const __m256i blocks[4] = {c0, c1, c2, c3};
            for (int k = 0; k < 4; ++k) {
                unsigned mask = (unsigned)_mm256_movemask_epi8(blocks[k]);
                if (mask && check_block(s, mask)) return true;
                s->p += 32;
            }
        } else {
            s->p += 128;
        }
    }
    while (s->p <= s->last && s->size - s->p >= anchor + 32) {
        unsigned mask = (unsigned)_mm256_movemask_epi8(candidates_32(s->data + s->p, anchor, firsts, seconds));
        if (mask && check_block(s, mask)) return true;
        s->p += 32;
    }
    return false;
}

static bool filter_16(Scan* s) {
    const size_t anchor = s->scan->second_anchor;
    const __m128i firsts = _mm_set1_epi8((char)s->scan->pattern[0]);
    const __m128i seconds = _mm_set1_epi8((char)s->scan->pattern[anchor]);
    while (s->p <= s->last && s->size - s->p >= anchor + 16) {
        __m128i a = _mm_loadu_si128((const __m128i*)(s->data + s->p));
        __m128i b = _mm_loadu_si128((const __m128i*)(s->data + s->p + anchor));
        unsigned mask = (unsigned)_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, firsts), _mm_cmpeq_epi8(b, seconds)));
        if (mask && check_block(s, mask)) return true;
        s->p += 16;
    }
    return false;
}

static bool has_avx2() {
    static const bool present = __builtin_cpu_supports("avx2");
    return present;
}
#endif

size_t find_pattern(const PatternScan* scan, const BYTE* data, size_t size) {
    size_t length = scan->length;
    if (length == 0 || size < length) return NOT_FOUND;
    if (length == 1) {
        const void* at = memchr(data, scan->pattern[0], size);
        return at ? (size_t)((const BYTE*)at - data) : NOT_FOUND;
    }
    Scan s = {scan, data, size, size - length, 0, 0, NOT_FOUND};
#if SCAN_ON_X86
    if (has_avx2() && filter_32(&s)) return s.answer;
    if (filter_16(&s)) return s.answer;
#endif
    const BYTE first = scan->pattern[0];
    const size_t anchor = scan->second_anchor;
    const BYTE second = scan->pattern[anchor];
    for (; s.p <= s.last; ++s.p)
        if (data[s.p] == first && data[s.p + anchor] == second && check(&s, s.p)) return s.answer;
    return NOT_FOUND;
}
