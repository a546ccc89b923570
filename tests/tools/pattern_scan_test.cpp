// The scan must give exactly the plain comparison's answer: the first
// position where every byte of the pattern agrees.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "tools/pattern_scan.h"

namespace {

size_t plain(const std::vector<BYTE>& data, const std::vector<BYTE>& pattern) {
    if (data.size() < pattern.size()) return static_cast<size_t>(-1);
    for (size_t q = 0; q + pattern.size() <= data.size(); ++q)
        if (memcmp(data.data() + q, pattern.data(), pattern.size()) == 0) return q;
    return static_cast<size_t>(-1);
}

size_t scanned(const std::vector<BYTE>& data, const std::vector<BYTE>& pattern) {
    PatternScan scan;
    prepare_pattern_scan(&scan, pattern.data(), pattern.size());
    return find_pattern(&scan, data.data(), data.size());
}

TEST(PatternScan, AgreesWithThePlainComparisonOnRandomData) {
    std::mt19937 random(12345);
    // Small alphabets make near misses and repeated matches common.
    for (int alphabet : {2, 3, 256}) {
        for (int round = 0; round < 400; ++round) {
            size_t size = random() % 700;
            size_t length = 1 + random() % MAX_PATTERN_LENGTH;
            std::vector<BYTE> data(size), pattern(length);
            for (BYTE& b : data) b = static_cast<BYTE>(random() % alphabet);
            for (BYTE& b : pattern) b = static_cast<BYTE>(random() % alphabet);
            // Often plant it, sometimes near the end or cut off by it.
            if (size >= length && random() % 2) {
                size_t at = random() % (size - length + 1);
                if (random() % 4 == 0) at = size - length;
                memcpy(data.data() + at, pattern.data(), length);
            }
            ASSERT_EQ(scanned(data, pattern), plain(data, pattern))
                << "alphabet " << alphabet << ", round " << round << ", size " << size << ", length " << length;
        }
    }
}

TEST(PatternScan, AdversarialInputsStayExact) {
    const size_t size = 128 * 512;
    std::vector<BYTE> zeros(size, 0);
    // Zeros ending in 01; zeros with a 01 inside; all zeros; a pattern the
    // filter passes everywhere but that never matches (the linear fallback).
    for (size_t length : {2u, 16u, 49u}) {
        std::vector<BYTE> tail(length, 0), middle(length, 0), none(length, 0);
        tail.back() = 1;
        middle[length / 2] = 1;
        EXPECT_EQ(scanned(zeros, tail), plain(zeros, tail)) << length;
        EXPECT_EQ(scanned(zeros, middle), plain(zeros, middle)) << length;
        EXPECT_EQ(scanned(zeros, none), 0u) << length;
        std::vector<BYTE> data = zeros;
        data[size - 3] = 1;  // a single match of "zeros ending in 01", late
        size_t expected = plain(data, tail);
        ASSERT_NE(expected, static_cast<size_t>(-1));
        EXPECT_EQ(scanned(data, tail), expected) << length;
        data = zeros;
        data[size - 1 - length / 2 - 7] = 1;
        EXPECT_EQ(scanned(data, middle), plain(data, middle)) << length;
    }
    // Runs of a byte that start the pattern, broken just before its end.
    std::vector<BYTE> data(size);
    for (size_t i = 0; i < size; ++i) data[i] = (i % 40 == 39) ? 7 : 9;
    std::vector<BYTE> pattern(41, 9);
    pattern[40] = 7;
    EXPECT_EQ(scanned(data, pattern), plain(data, pattern));
    pattern.assign(39, 9);
    pattern.back() = 7;
    EXPECT_EQ(scanned(data, pattern), plain(data, pattern));
    // Every other position a near miss of 46 bytes: the linear fallback
    // takes over, and must still find the one match, wherever it lies.
    std::vector<BYTE> alternating(size);
    for (size_t i = 0; i < size; ++i) alternating[i] = static_cast<BYTE>(i % 2);
    pattern.clear();
    for (int i = 0; i < 23; ++i) pattern.insert(pattern.end(), {0, 1});
    pattern.insert(pattern.end(), {1, 1});
    EXPECT_EQ(scanned(alternating, pattern), static_cast<size_t>(-1));
    for (size_t at : {size_t{9000}, size - 48, size_t{4095}, size_t{20001}}) {
        data = alternating;
        memcpy(data.data() + at, pattern.data(), pattern.size());
        EXPECT_EQ(scanned(data, pattern), plain(data, pattern)) << at;
    }
    // Planted at every position around where the fallback takes over.
    alternating.resize(8192);
    for (size_t at = 0; at < 600; ++at) {
        data = alternating;
        memcpy(data.data() + at, pattern.data(), pattern.size());
        ASSERT_EQ(scanned(data, pattern), plain(data, pattern)) << at;
    }
}

// A pattern that starts with 30 bytes of period 2 meets near misses at every
// other byte of data of that period, so the linear fallback takes over early;
// it must then agree on the random bytes after, with copies of the pattern
// that differ in one of its first bytes planted among them.
TEST(PatternScan, TheLinearFallbackAgreesWithThePlainComparison) {
    std::mt19937 random(4242);
    for (int round = 0; round < 200; ++round) {
        std::vector<BYTE> pattern, data;
        for (int i = 0; i < 30; ++i) pattern.push_back(static_cast<BYTE>(i % 2));
        for (size_t tail = 2 + 2 * (random() % 6); tail > 0; --tail) pattern.push_back(static_cast<BYTE>(random() % 3));
        pattern.back() = 1;  // the filter's second byte: found at every other position
        for (int i = 0; i < 3000; ++i) data.push_back(static_cast<BYTE>(i % 2));
        for (int i = 0; i < 9000; ++i) data.push_back(static_cast<BYTE>(random() % 3));
        for (int copy = 0; copy < 4; ++copy) {
            std::vector<BYTE> near = pattern;
            size_t changed = random() % 4;
            near[changed] = static_cast<BYTE>((near[changed] + 1 + random() % 2) % 3);
            size_t at = 3001 + random() % (data.size() - 3002 - near.size());
            data[at - 1] = pattern[0];
            std::copy(near.begin(), near.end(), data.begin() + static_cast<long>(at));
        }
        if (random() % 2) {
            size_t at = 3000 + random() % (data.size() - 3000 - pattern.size());
            std::copy(pattern.begin(), pattern.end(), data.begin() + static_cast<long>(at));
        }
        ASSERT_EQ(scanned(data, pattern), plain(data, pattern)) << "round " << round;
    }
}

TEST(PatternScan, AgreesWithThePlainComparisonOnWholeChunks) {
    std::mt19937 random(777);
    for (int round = 0; round < 60; ++round) {
        int alphabet = round % 3 == 0 ? 2 : (round % 3 == 1 ? 4 : 256);
        std::vector<BYTE> data(128 * 512), pattern(1 + random() % MAX_PATTERN_LENGTH);
        for (BYTE& b : data) b = static_cast<BYTE>(random() % alphabet);
        for (BYTE& b : pattern) b = static_cast<BYTE>(random() % alphabet);
        if (round % 2) memcpy(data.data() + random() % (data.size() - pattern.size() + 1), pattern.data(), pattern.size());
        ASSERT_EQ(scanned(data, pattern), plain(data, pattern)) << "round " << round;
    }
}

}  // namespace
