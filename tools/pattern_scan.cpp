#include "tools/pattern_scan.h"

#include <string.h>


#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define SCAN_ON_X86 1
#endif

static const size_t NOT_FOUND = (size_t)-1;

static bool is_letter(BYTE b) { return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z'); }

// The prefix function of the pattern read forwards (step 1) or backwards.
static void prefix_function(const BYTE* pattern, size_t length, bool backwards, int* failure) {
    failure[0] = -1;
    int k = -1;
    for (size_t i = 0; i < length; ++i) {
        BYTE here = pattern[backwards ? length - 1 - i : i];
        while (k >= 0 && pattern[backwards ? length - 1 - k : k] != here) k = failure[k];
        failure[i + 1] = ++k;
    }
}

void prepare_pattern_scan(PatternScan* scan, const BYTE* pattern, size_t length, bool match_case) {
    for (int b = 0; b < 256; ++b)
        scan->as_compared[b] = (BYTE)(!match_case && b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b);
    for (size_t i = 0; i < length; ++i) scan->pattern[i] = scan->as_compared[pattern[i]];
    scan->length = length;
    scan->any_case = !match_case;
    // Two bytes of the pattern filter the positions. Where the first and the
    // last are alike (a run of zeros, say), another byte tells more.
    scan->second_anchor = length - 1;
    for (size_t j = length - 1; j > 0; --j) {
        if (scan->pattern[j] != scan->pattern[0]) {
            scan->second_anchor = j;
            break;
        }
    }
    // A letter's two cases differ only in bit 5: with it set, both are the
    // lower case. Other bytes are compared whole.
    scan->anchor_fold[0] = !match_case && is_letter(scan->pattern[0]) ? 0x20 : 0;
    scan->anchor_fold[1] = !match_case && is_letter(scan->pattern[scan->second_anchor]) ? 0x20 : 0;
    prefix_function(scan->pattern, length, false, scan->failure);
    prefix_function(scan->pattern, length, true, scan->failure_back);
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

static size_t agreeing_as_compared(const PatternScan* scan, const BYTE* data) {
    size_t i = 0;
    while (i < scan->length && scan->as_compared[data[i]] == scan->pattern[i]) ++i;
    return i;
}

// Knuth-Morris-Pratt from position from: linear whatever the data, for the
// inputs on which the filter keeps finding near misses.
static size_t find_linear(const PatternScan* scan, const BYTE* data, size_t size, size_t from) {
    int k = 0;
    int length = (int)scan->length;
    for (size_t i = from; i < size; ++i) {
        BYTE b = scan->as_compared[data[i]];
        while (k >= 0 && scan->pattern[k] != b) k = scan->failure[k];
        if (++k == length) return i + 1 - scan->length;
    }
    return NOT_FOUND;
}

// The same backwards, for matches that lie wholly in data[0 .. end): the
// pattern read from its last byte, the data from end - 1 down.
static size_t find_linear_back(const PatternScan* scan, const BYTE* data, size_t end) {
    int k = 0;
    int length = (int)scan->length;
    for (size_t i = end; i-- > 0;) {
        BYTE b = scan->as_compared[data[i]];
        while (k >= 0 && scan->pattern[length - 1 - k] != b) k = scan->failure_back[k];
        if (++k == length) return i;
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
    size_t p;     // forwards: the next position to filter; backwards: the positions below p are left
    size_t compared;
    size_t answer;
};

// Checks one position that passed the filter; true when the answer is known.
template <bool Back>
static inline bool check(Scan* s, size_t at) {
    if (!Back && at > s->last) {
        s->answer = NOT_FOUND;
        return true;
    }
    const PatternScan* scan = s->scan;
    size_t agreed = scan->any_case ? agreeing_as_compared(scan, s->data + at)
                                   : agreeing(s->data + at, scan->pattern, scan->length);
    if (agreed == scan->length) {
        s->answer = at;
        return true;
    }
    s->compared += agreed + 1;
    size_t passed = Back ? s->last - at + 1 : at + 1;
    if (s->compared > 4 * passed + 4096) {
        s->answer = Back ? find_linear_back(scan, s->data, at + scan->length - 1)
                         : find_linear(scan, s->data, s->size, at + 1);
        return true;
    }
    return false;
}

// The positions base + bit of one block, in the scan's order.
template <bool Back>
static inline bool check_block(Scan* s, size_t base, unsigned mask) {
    while (mask) {
        int bit = Back ? 31 - __builtin_clz(mask) : __builtin_ctz(mask);
        if (check<Back>(s, base + (size_t)bit)) return true;
        mask &= ~(1u << bit);
    }
    return false;
}

#if SCAN_ON_X86
struct Anchors32 {
    size_t second;
    __m256i firsts, seconds, fold_first, fold_second;
};

// Fold: a letter anchor matches either case (the OR costs a tenth of the
// scan, so exact patterns go without it).
template <bool Fold>
__attribute__((target("avx2"))) static inline __m256i candidates_32(const BYTE* at, const Anchors32& a) {
    __m256i x = _mm256_loadu_si256((const __m256i*)at);
    __m256i y = _mm256_loadu_si256((const __m256i*)(at + a.second));
    if (Fold) {
        x = _mm256_or_si256(x, a.fold_first);
        y = _mm256_or_si256(y, a.fold_second);
    }
    return _mm256_and_si256(_mm256_cmpeq_epi8(x, a.firsts), _mm256_cmpeq_epi8(y, a.seconds));
}

// Where blocks of step positions may go: backwards down to position 0,
// forwards while the block's first position can start a match and its
// loads stay inside the data. A block starts at p - step (backwards) or p.
template <bool Back>
static inline size_t block_stop(const Scan* s, size_t step) {
    if (Back) return step;
    size_t reach = s->scan->second_anchor + step;
    if (s->size < reach) return 0;
    size_t stop = s->size - reach + 1;
    return stop < s->last + 1 ? stop : s->last + 1;
}

// 32 positions at a time; the second load reaches anchor + 31 bytes beyond
// the block's first position. Four blocks are filtered before one branch:
// on data where candidates are rare the loop then costs little more than
// its loads.
template <bool Back, bool Fold>
__attribute__((target("avx2"))) static bool filter_32(Scan* s) {
    const PatternScan* scan = s->scan;
    Anchors32 a;
    a.second = scan->second_anchor;
    a.firsts = _mm256_set1_epi8((char)scan->pattern[0]);
    a.seconds = _mm256_set1_epi8((char)scan->pattern[a.second]);
    a.fold_first = _mm256_set1_epi8((char)scan->anchor_fold[0]);
    a.fold_second = _mm256_set1_epi8((char)scan->anchor_fold[1]);
    const BYTE* data = s->data;
    size_t p = s->p;
    for (size_t stop = block_stop<Back>(s, 128); Back ? p >= stop : p < stop; p = Back ? p - 128 : p + 128) {
        size_t base = Back ? p - 128 : p;
        const BYTE* at = data + base;
        __m256i c0 = candidates_32<Fold>(at, a);
        __m256i c1 = candidates_32<Fold>(at + 32, a);
        __m256i c2 = candidates_32<Fold>(at + 64, a);
        __m256i c3 = candidates_32<Fold>(at + 96, a);
        __m256i any = _mm256_or_si256(_mm256_or_si256(c0, c1), _mm256_or_si256(c2, c3));
        if (_mm256_testz_si256(any, any)) continue;
        // In the scan's order: the first candidate that matches is the answer.
        const __m256i blocks[4] = {c0, c1, c2, c3};
        for (int n = 0; n < 4; ++n) {
            int k = Back ? 3 - n : n;
            unsigned mask = (unsigned)_mm256_movemask_epi8(blocks[k]);
            if (mask && check_block<Back>(s, base + 32 * (size_t)k, mask)) return true;
        }
    }
    for (size_t stop = block_stop<Back>(s, 32); Back ? p >= stop : p < stop; p = Back ? p - 32 : p + 32) {
        size_t base = Back ? p - 32 : p;
        unsigned mask = (unsigned)_mm256_movemask_epi8(candidates_32<Fold>(data + base, a));
        if (mask && check_block<Back>(s, base, mask)) return true;
    }
    s->p = p;
    return false;
}

template <bool Back>
static bool filter_16(Scan* s) {
    const PatternScan* scan = s->scan;
    const size_t anchor = scan->second_anchor;
    const __m128i firsts = _mm_set1_epi8((char)scan->pattern[0]);
    const __m128i seconds = _mm_set1_epi8((char)scan->pattern[anchor]);
    const __m128i fold_first = _mm_set1_epi8((char)scan->anchor_fold[0]);
    const __m128i fold_second = _mm_set1_epi8((char)scan->anchor_fold[1]);
    for (;;) {
        size_t base;
        if (Back) {
            if (s->p < 16) break;
            base = s->p - 16;
        } else {
            if (s->p > s->last || s->size - s->p < anchor + 16) break;
            base = s->p;
        }
        __m128i a = _mm_or_si128(_mm_loadu_si128((const __m128i*)(s->data + base)), fold_first);
        __m128i b = _mm_or_si128(_mm_loadu_si128((const __m128i*)(s->data + base + anchor)), fold_second);
        unsigned mask = (unsigned)_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, firsts), _mm_cmpeq_epi8(b, seconds)));
        if (mask && check_block<Back>(s, base, mask)) return true;
        s->p = Back ? base : base + 16;
    }
    return false;
}

static bool has_avx2() {
    static const bool present = __builtin_cpu_supports("avx2");
    return present;
}
#endif

template <bool Back>
static size_t scan_for(const PatternScan* scan, const BYTE* data, size_t size) {
    size_t length = scan->length;
    if (length == 0 || size < length) return NOT_FOUND;
    Scan s = {scan, data, size, size - length, Back ? size - length + 1 : 0, 0, NOT_FOUND};
#if SCAN_ON_X86
    if (has_avx2() && (scan->any_case ? filter_32<Back, true>(&s) : filter_32<Back, false>(&s))) return s.answer;
    if (filter_16<Back>(&s)) return s.answer;
#endif
    const BYTE first = scan->pattern[0], fold_first = scan->anchor_fold[0];
    const size_t anchor = scan->second_anchor;
    const BYTE second = scan->pattern[anchor], fold_second = scan->anchor_fold[1];
    for (;;) {
        size_t at;
        if (Back) {
            if (s.p == 0) break;
            at = --s.p;
        } else {
            if (s.p > s.last) break;
            at = s.p++;
        }
        if ((data[at] | fold_first) == first && (data[at + anchor] | fold_second) == second && check<Back>(&s, at))
            return s.answer;
    }
    return NOT_FOUND;
}

size_t find_pattern(const PatternScan* scan, const BYTE* data, size_t size) {
    if (scan->length == 1 && !scan->anchor_fold[0] && size > 0) {
        const void* at = memchr(data, scan->pattern[0], size);
        return at ? (size_t)((const BYTE*)at - data) : NOT_FOUND;
    }
    return scan_for<false>(scan, data, size);
}

size_t find_last_pattern(const PatternScan* scan, const BYTE* data, size_t size) {
    return scan_for<true>(scan, data, size);
}
