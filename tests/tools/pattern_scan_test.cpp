// The scan must give exactly the plain comparison's answer: the first
// position where every byte of the pattern agrees, or going backwards the
// last; with case ignored, an ASCII letter's two cases agree and nothing
// else does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tools/pattern_scan.h"

namespace {

const size_t kNone = static_cast<size_t>(-1);

size_t plain(const std::vector<BYTE>& data, const std::vector<BYTE>& pattern, bool last, bool any_case) {
    auto as_compared = [any_case](BYTE b) { return any_case && b >= 'A' && b <= 'Z' ? b + 32 : b; };
    auto matches_at = [&](size_t q) {
        for (size_t i = 0; i < pattern.size(); ++i)
            if (as_compared(data[q + i]) != as_compared(pattern[i])) return false;
        return true;
    };
    if (data.size() < pattern.size()) return kNone;
    size_t positions = data.size() - pattern.size() + 1;
    for (size_t n = 0; n < positions; ++n) {
        size_t q = last ? positions - 1 - n : n;
        if (matches_at(q)) return q;
    }
    return kNone;
}

// Both directions, with case and without, against the plain comparison.
void expect_agrees(const std::vector<BYTE>& data, const std::vector<BYTE>& pattern, const std::string& where) {
    for (bool any_case : {false, true}) {
        PatternScan scan;
        prepare_pattern_scan(&scan, pattern.data(), pattern.size(), !any_case);
        EXPECT_EQ(find_pattern(&scan, data.data(), data.size()), plain(data, pattern, false, any_case))
            << where << (any_case ? ", any case" : "") << ", first";
        EXPECT_EQ(find_last_pattern(&scan, data.data(), data.size()), plain(data, pattern, true, any_case))
            << where << (any_case ? ", any case" : "") << ", last";
    }
}

TEST(PatternScan, AgreesWithThePlainComparisonOnRandomData) {
    std::mt19937 random(12345);
    // Small alphabets make near misses and repeated matches common; the
    // letters come in both cases, beside bytes 0x20 apart that are no
    // letters (@ `, [ {), which match only themselves.
    const std::vector<std::vector<BYTE>> alphabets = {{0, 1}, {0, 1, 2}, {'a', 'A', 'b', 'B', '@', '`', '[', '{'}, {}};
    for (const auto& alphabet : alphabets) {
        auto any_byte = [&] { return alphabet.empty() ? static_cast<BYTE>(random()) : alphabet[random() % alphabet.size()]; };
        for (int round = 0; round < 400; ++round) {
            size_t size = random() % 700;
            size_t length = 1 + random() % MAX_PATTERN_LENGTH;
            std::vector<BYTE> data(size), pattern(length);
            for (BYTE& b : data) b = any_byte();
            for (BYTE& b : pattern) b = any_byte();
            // Often plant it, sometimes at either end.
            if (size >= length && random() % 2) {
                size_t at = random() % (size - length + 1);
                if (random() % 4 == 0) at = random() % 2 ? size - length : 0;
                memcpy(data.data() + at, pattern.data(), length);
            }
            expect_agrees(data, pattern, "alphabet of " + std::to_string(alphabet.size()) + ", round " +
                                             std::to_string(round) + ", size " + std::to_string(size));
            if (HasFailure()) return;
        }
    }
}

TEST(PatternScan, AdversarialInputsStayExact) {
    const size_t size = 128 * 512;
    std::vector<BYTE> zeros(size, 0);
    // Zeros ending in 01; zeros with a 01 inside; all zeros (every position
    // a match); each alone and with one match late and one early.
    for (size_t length : {2u, 16u, 49u}) {
        std::vector<BYTE> tail(length, 0), middle(length, 0), none(length, 0);
        tail.back() = 1;
        middle[length / 2] = 1;
        for (const auto& pattern : {tail, middle, none}) expect_agrees(zeros, pattern, std::to_string(length));
        for (size_t one : {size - 3, size - 1 - length / 2 - 7, size_t{5}, length / 2 + 3}) {
            std::vector<BYTE> data = zeros;
            data[one] = 1;
            for (const auto& pattern : {tail, middle}) expect_agrees(data, pattern, "a 01 at " + std::to_string(one));
        }
    }
    // Runs of a byte that start the pattern, broken just before its end.
    std::vector<BYTE> data(size);
    for (size_t i = 0; i < size; ++i) data[i] = (i % 40 == 39) ? 7 : 9;
    std::vector<BYTE> pattern(41, 9);
    pattern[40] = 7;
    expect_agrees(data, pattern, "runs of 40");
    pattern.assign(39, 9);
    pattern.back() = 7;
    expect_agrees(data, pattern, "runs of 40, pattern of 39");
    // Every other position a near miss of 46 bytes: the linear fallback
    // takes over, in either direction, and must still find the one match,
    // wherever it lies.
    std::vector<BYTE> alternating(size);
    for (size_t i = 0; i < size; ++i) alternating[i] = static_cast<BYTE>(i % 2);
    pattern.clear();
    for (int i = 0; i < 23; ++i) pattern.insert(pattern.end(), {0, 1});
    pattern.insert(pattern.end(), {1, 1});
    expect_agrees(alternating, pattern, "alternating, no match");
    for (size_t at : {size_t{9000}, size - 48, size_t{4095}, size_t{20001}, size_t{0}}) {
        data = alternating;
        memcpy(data.data() + at, pattern.data(), pattern.size());
        expect_agrees(data, pattern, "alternating, match at " + std::to_string(at));
    }
    // Planted at every position around where the fallback takes over,
    // going forwards (near the start) and backwards (near the end): the
    // only match there is.
    alternating.resize(8192);
    PatternScan scan;
    prepare_pattern_scan(&scan, pattern.data(), pattern.size());
    for (size_t n = 0; n < 600; ++n) {
        for (size_t at : {n, alternating.size() - pattern.size() - n}) {
            data = alternating;
            memcpy(data.data() + at, pattern.data(), pattern.size());
            ASSERT_EQ(find_pattern(&scan, data.data(), data.size()), at);
            ASSERT_EQ(find_last_pattern(&scan, data.data(), data.size()), at);
        }
    }
}

// A pattern that starts with 30 bytes of period 2 meets near misses at every
// other byte of data of that period, so the linear fallback takes over early;
// it must then agree on the random bytes after, with copies of the pattern
// that differ in one of its first bytes planted among them. Mirrored, the
// same holds for the backward scan.
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
        expect_agrees(data, pattern, "round " + std::to_string(round));
        std::reverse(data.begin(), data.end());
        std::reverse(pattern.begin(), pattern.end());
        expect_agrees(data, pattern, "round " + std::to_string(round) + ", mirrored");
        if (HasFailure()) return;
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
        expect_agrees(data, pattern, "round " + std::to_string(round));
        if (HasFailure()) return;
    }
}

}  // namespace
