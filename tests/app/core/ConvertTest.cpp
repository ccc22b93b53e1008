#include "Convert.h"
#include "Number.h"

#include <gtest/gtest.h>

#include "Describe.h"

#include <cmath>
#include <limits>

namespace tservice {
namespace {

struct FixedCase {
    double value;
    int p, d;
    const char* text;
};

TEST(FormatFixed, SignificantDigitsThenDecimals) {
    const FixedCase kCases[] = {
        {1234.56, 5, 2, "1234,60"},   {123.4, 4, 0, "123"},       {-12.5, 4, 2, "-12,50"},
        {0.0, 4, 2, "0,00"},          {-0.0, 4, 0, "0"},          {-0.001, 4, 2, "0,00"},
        {99.999, 4, 2, "100,00"},     {0.125, 4, 2, "0,13"},      {-2.5, 4, 0, "-3"},
        {12345.678, 5, 3, "12346,000"}, {0.0005, 5, 3, "0,001"},  {33.333333, 5, 3, "33,333"},
        // the integer part needs more than P digits
        {123456.0, 5, 0, "1,2346E+5"}, {100000.0, 5, 2, "1E+5"},  {99999.6, 5, 0, "1E+5"},
        {-123456.0, 4, 2, "-1,235E+5"}, {12345.0, 4, 0, "1,235E+4"},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(FormatFixed(c.value, c.p, c.d), c.text) << c.value << " " << c.p << "/" << c.d;
}

TEST(FormatFixed, NonFiniteAndOddArguments) {
    EXPECT_EQ(FormatFixed(std::nan(""), 4, 2), "NAN");
    EXPECT_EQ(FormatFixed(HUGE_VAL, 4, 2), "INF");
    EXPECT_EQ(FormatFixed(-HUGE_VAL, 4, 2), "-INF");
    EXPECT_EQ(FormatFixed(1.5, 0, -3), "2");  // P at least 1, D at least 0
    EXPECT_EQ(FormatFixed(std::numeric_limits<double>::max(), 5, 3), "1,7977E+308");
}

TEST(Conversions, LadrAndOski) {
    EXPECT_EQ(LadrPercentToCode(50), 8191);
    EXPECT_EQ(LadrPercentToCode(100), 16383);
    EXPECT_EQ(LadrPercentToCode(0), 0);
    EXPECT_EQ(LadrMaToCode(12), 8191);
    EXPECT_EQ(LadrMaToCode(20), 16383);
    EXPECT_EQ(LadrMaToCode(4), 0);
    EXPECT_EQ(LadrMaToCode(0), -4095);
    EXPECT_DOUBLE_EQ(LadrCodeToPercent(16383), 100.0);
    EXPECT_DOUBLE_EQ(LadrCodeToMa(0), 4.0);
    EXPECT_DOUBLE_EQ(LadrCodeToMa(16383), 20.0);
    EXPECT_EQ(FormatFixed(LadrCodeToPercent(8191), 4, 2), "50,00");
}

TEST(Conversions, Tev) {
    EXPECT_EQ(TevTempToCode(50, 0, 100), 4095);
    EXPECT_EQ(TevTempToCode(100, 0, 100), 8191);
    EXPECT_EQ(TevTempToCode(-50, -50, 150), 0);
    EXPECT_EQ(TevTempToCode(150, -50, 150), 8191);
    EXPECT_EQ(TevTempToCode(5, 5, 5), 0);  // empty range: no division by zero
    EXPECT_DOUBLE_EQ(TevCodeToPercent(8191), 100.0);
    EXPECT_DOUBLE_EQ(TxcToCelsius(8191), 100.0);
    EXPECT_EQ(FormatFixed(TxcToCelsius(1966), 5, 2), "24,00");
}

TEST(Conversions, NoUndefinedTruncation) {
    EXPECT_EQ(LadrPercentToCode(std::nan("")), 0);
    EXPECT_EQ(LadrPercentToCode(1e300), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(LadrMaToCode(-1e300), std::numeric_limits<std::int32_t>::min());
}

// One reader for every source; only the form differs. 'c' comma form (the
// window), 't' typed (command line, files), 'T' tables, 'w' whole.
TEST(NumberReader, FormsAndRefusals) {
    const struct { const char* text; const char* forms; double value; } kCases[] = {
        {"-12,5", "ct", -12.5}, {",5", "ct", 0.5}, {"12", "ctTw", 12.0}, {"0", "ctTw", 0.0},
        {"-50.0", "tT", -50.0}, {"-50,0", "ct", -50.0}, {"+2", "T", 2.0}, {"3e-2", "T", 0.03},
        {"2.0E0", "T", 2.0}, {"", "", 0}, {"-", "", 0}, {"1,2,3", "", 0}, {"1a", "", 0},
        {"--1", "", 0}, {"1 ", "", 0}, {" 1", "", 0}, {"0x10", "", 0}, {"30,", "", 0},
        {"30.", "", 0}, {"1e2", "T", 100.0}, {"nan", "", 0}, {"inf", "", 0}, {"1e", "", 0},
        {"1e999", "", 0}, {"+-1", "", 0}, {"12.5", "tT", 12.5},
    };
    const std::pair<char, NumberForm> kForms[] = {
        {'c', kCommaNumber}, {'t', kTypedNumber}, {'T', kTableNumber}, {'w', kWholeNumber}};
    for (const auto& c : kCases)
        for (const auto& [letter, form] : kForms) {
            const std::optional<double> v = ReadNumber(c.text, form);
            const bool ok = std::string(c.forms).find(letter) != std::string::npos;
            EXPECT_EQ(v.has_value(), ok) << c.text << " form " << letter;
            if (ok && v) {
                EXPECT_DOUBLE_EQ(*v, c.value) << c.text;
            }
        }
    EXPECT_EQ(ReadWhole("12,0", 0, 20, true), 12);
    EXPECT_FALSE(ReadWhole("12,5", 0, 20, true));
    EXPECT_FALSE(ReadWhole("21", 0, 20));
}

TEST(Words, CountAgreesWithItsNoun) {
    const struct { long long n; const char* text; } kCases[] = {
        {0, "0 попыток"}, {1, "1 попытка"}, {2, "2 попытки"}, {4, "4 попытки"}, {5, "5 попыток"},
        {11, "11 попыток"}, {12, "12 попыток"}, {14, "14 попыток"}, {21, "21 попытка"}, {22, "22 попытки"},
        {101, "101 попытка"}, {111, "111 попыток"}, {-1, "-1 попытка"},
    };
    for (const auto& c : kCases) EXPECT_EQ(CountText(c.n, "попытка", "попытки", "попыток"), c.text) << c.n;
}

}  // namespace
}  // namespace tservice
