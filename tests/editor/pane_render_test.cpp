#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "editor/pane_render.h"

namespace {

std::string hex_text(const BYTE* data) {
    char out[2048];
    memset(out, 'X', sizeof out);
    format_hex_pane(data, out);
    return out;
}

std::string text_text(const BYTE* data, bool final_break) {
    BYTE copy[512];
    make_text_copy(data, copy);
    char out[2048];
    memset(out, 'X', sizeof out);
    format_text_pane(copy, out, final_break);
    return out;
}

TEST(PaneRender, AllZeroSectorShowsZeroDigitsAndBlankText) {
    BYTE data[512] = {};
    std::string hex = hex_text(data);
    ASSERT_EQ(hex.size(), 1598u);
    std::string line = "";
    for (int k = 0; k < 16; ++k) line += "00 ";
    for (int l = 0; l < 32; ++l) {
        EXPECT_EQ(hex.substr(50 * l, 48), line) << "line " << l;
        if (l < 31) {
            EXPECT_EQ(hex.substr(50 * l + 48, 2), "\r\n") << "line " << l;
        }
    }
    std::string text = text_text(data, false);
    ASSERT_EQ(text.size(), 574u);
    for (int l = 0; l < 32; ++l) EXPECT_EQ(text.substr(18 * l, 16), std::string(16, ' ')) << "line " << l;
}

TEST(PaneRender, HexDigitsAreUpperCaseAndTheLastLineHasNoBreak) {
    BYTE data[512];
    for (int i = 0; i < 512; ++i) data[i] = static_cast<BYTE>(i * 7 + 0xA5);
    std::string hex = hex_text(data);
    ASSERT_EQ(hex.size(), 1598u);
    for (int i = 0; i < 512; ++i) {
        char expect[4];
        snprintf(expect, sizeof expect, "%02X ", data[i]);
        EXPECT_EQ(hex.substr(hex_position_of_byte(i), 3), expect) << "byte " << i;
    }
    EXPECT_EQ(hex.substr(1595, 3), "9E ");  // byte 511: 511 * 7 + 0xA5 = 0xE9E
    EXPECT_EQ(hex.find("\r\n", 1550), std::string::npos);
}

TEST(PaneRender, LineBreakBytesShowAsSpacesAndKeepTheGrid) {
    BYTE data[512];
    const BYTE breakers[4] = {0x0D, 0x0A, 0x09, 0x00};
    for (int i = 0; i < 512; ++i) data[i] = breakers[i % 4];
    std::string text = text_text(data, false);
    ASSERT_EQ(text.size(), 574u);
    for (int l = 0; l < 32; ++l) {
        EXPECT_EQ(text.substr(18 * l, 16), std::string(16, ' '));
        if (l < 31) {
            EXPECT_EQ(text.substr(18 * l + 16, 2), "\r\n");
        }
    }
    // The hex pane still shows the true values.
    std::string hex = hex_text(data);
    EXPECT_EQ(hex.substr(0, 12), "0D 0A 09 00 ");
}

TEST(PaneRender, OtherBytesPassUnchanged) {
    BYTE data[512];
    int n = 0;
    for (int b = 0x01; b <= 0x1F; ++b)
        if (b != 0x09 && b != 0x0A && b != 0x0D) data[n++] = static_cast<BYTE>(b);
    for (int b = 0x7F; b <= 0xFF; ++b) data[n++] = static_cast<BYTE>(b);
    while (n < 512) data[n++] = 'x';
    BYTE copy[512];
    make_text_copy(data, copy);
    EXPECT_EQ(memcmp(copy, data, 512), 0);
    std::string text = text_text(data, true);
    for (int i = 0; i < 512; ++i)
        EXPECT_EQ(static_cast<BYTE>(text[text_position_of_byte(i)]), data[i]) << "byte " << i;
}

TEST(PaneRender, TextPaneEndsWithBreakOnlyWhenAsked) {
    BYTE data[512];
    memset(data, 'Q', sizeof data);
    std::string without = text_text(data, false);
    std::string with = text_text(data, true);
    EXPECT_EQ(without.size(), 574u);
    EXPECT_EQ(with.size(), 576u);
    EXPECT_EQ(with.substr(0, 574), without);
    EXPECT_EQ(with.substr(574), "\r\n");
}

// Ten digits each up to 2^32 sectors; beyond, as many as the larger needs.
TEST(PaneRender, CounterShowsTenDigitsEachOrAsManyAsTheLastSectorNeeds) {
    const struct {
        SectorNumber current, last;
        const char* shown;
    } rows[] = {
        {0, 2879, "0000000000 of 0000002879"},
        {4294967295u, 4294967295u, "4294967295 of 4294967295"},
        {4294967301ull, 6442450943ull, "4294967301 of 6442450943"},  // 3 TiB
        {5, 9999999999ull, "0000000005 of 9999999999"},
        {5, 10000000000ull, "00000000005 of 10000000000"},
        {5, (1ull << 40) - 1, "0000000000005 of 1099511627775"},
        {~0ull, ~0ull, "18446744073709551615 of 18446744073709551615"},
    };
    for (const auto& row : rows) {
        char out[COUNTER_LENGTH + 1];
        format_counter(row.current, row.last, out);
        EXPECT_STREQ(out, row.shown);
    }
}

// The formulas must agree with each other and with the text they describe.
TEST(PanePositions, EveryByteMapsBothWays) {
    BYTE data[512];
    for (int i = 0; i < 512; ++i) data[i] = static_cast<BYTE>(i);
    std::string hex = hex_text(data);
    std::string text = text_text(data, true);
    for (int i = 0; i < 512; ++i) {
        int h = hex_position_of_byte(i);
        EXPECT_EQ(hex_position_to_byte(h), i);
        EXPECT_EQ(hex_position_to_byte(h + 1), i);
        EXPECT_EQ(hex_position_to_byte(h + 2), i);
        EXPECT_EQ(hex_position_to_digit(h), 0);
        EXPECT_EQ(hex_position_to_digit(h + 1), 1);
        EXPECT_EQ(hex_position_to_digit(h + 2), 2);
        EXPECT_EQ(hex[h + 2], ' ');
        int t = text_position_of_byte(i);
        EXPECT_EQ(text_position_to_byte(t), i);
        EXPECT_EQ(static_cast<BYTE>(text[t]), data[i] == 0 || data[i] == 9 || data[i] == 10 || data[i] == 13
                                                    ? 0x20
                                                    : data[i]);
        EXPECT_EQ(hex_to_text_position(h), t);
        EXPECT_EQ(hex_to_text_position(h + 1), t);
        EXPECT_EQ(hex_to_text_position(h + 2), t);
    }
    EXPECT_EQ(hex_position_of_byte(511), 1595);
}

TEST(PanePositions, EveryHexPositionAgreesWithTheText) {
    BYTE data[512];
    for (int i = 0; i < 512; ++i) data[i] = static_cast<BYTE>(255 - i);
    std::string hex = hex_text(data);
    for (int p = 0; p < HEX_PANE_LENGTH; ++p) {
        int col = p % 50;
        if (col >= 48) {
            EXPECT_EQ(hex[p], col == 48 ? '\r' : '\n') << p;
            continue;
        }
        int byte = hex_position_to_byte(p);
        EXPECT_EQ(byte, 16 * (p / 50) + col / 3) << p;
        EXPECT_EQ(hex_position_to_digit(p), col % 3) << p;
        char digits[3];
        snprintf(digits, sizeof digits, "%02X", data[byte]);
        int digit = hex_position_to_digit(p);
        EXPECT_EQ(hex[p], digit == 2 ? ' ' : digits[digit]) << p;
        EXPECT_EQ(hex_to_text_position(p), text_position_of_byte(byte)) << p;
    }
}

}  // namespace
