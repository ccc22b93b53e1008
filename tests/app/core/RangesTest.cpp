#include "Ranges.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Convert.h"
#include "VectorComboList.h"

namespace tservice {
namespace {

using testing::VectorComboList;
using Strings = std::vector<std::string>;

constexpr int kPt100 = 10;  // "100П" of ТЕВ-ТС: TipD 0 + 10
constexpr int kXaK = 2;     // "XA(K)" of ТЕВ-ТП

// The window's steps: the reading fills both lists for a range; picking a
// lower limit refills the upper list with the first range of that limit.
struct Window {
    RangeTableRef t;
    VectorComboList minList, maxList;
    DeviceImage image;
    int diap = 0;

    explicit Window(int index) : t(RangeTable(index)) {}
    void Show(int range) {
        FillMinList(t.table, t.count, range, minList, image);
        FillMaxList(t.table, t.count, range, minList, maxList, image);
        diap = range;
    }
    void PickMin(const std::string& text) {
        ASSERT_TRUE(minList.Pick(text)) << text;
        const float lo = LimitValue(text);
        int first = 0;
        for (int i = t.count - 1; i >= 0; --i)
            if (t.table[i].lo == lo) first = i;
        FillMaxList(t.table, t.count, first, minList, maxList, image);
        FindRange(t.table, t.count, minList, maxList, first);
        diap = first;
        image.TMin = lo;
    }
    void PickMax(const std::string& text) {
        ASSERT_TRUE(maxList.Pick(text)) << text;
        int r = 0;
        FindRange(t.table, t.count, minList, maxList, r);
        diap = r;
        image.TMax = LimitValue(text);
    }
};

TEST(RangeTables, CountsAndNoPairTwice) {
    const std::pair<int, int> kIndexCount[] = {
        {0, 13}, {2, 13}, {4, 6}, {5, 2}, {7, 2}, {10, 47}, {13, 11}, {14, 28}};
    for (const auto& [index, count] : kIndexCount) {
        const RangeTableRef t = RangeTable(index);
        ASSERT_NE(t.table, nullptr) << index;
        EXPECT_EQ(t.count, count) << index;
        std::set<std::pair<float, float>> seen;
        for (int i = 0; i < t.count; ++i) {
            EXPECT_TRUE(seen.insert({t.table[i].lo, t.table[i].hi}).second) << index << " range " << i;
            EXPECT_LT(t.table[i].lo, t.table[i].hi) << index << " range " << i;
        }
    }
}

TEST(RangeTables, IndexesShareTablesAndNothingOutside) {
    const std::vector<std::vector<int>> kGroups = {{0, 1, 3}, {5, 6}, {7, 8, 9}, {10, 11, 12}, {14, 15}};
    for (const auto& g : kGroups)
        for (int i : g) EXPECT_EQ(RangeTable(i).table, RangeTable(g[0]).table) << i;
    for (int i : {-1, 16, 255}) {
        EXPECT_EQ(RangeTable(i).table, nullptr);
        EXPECT_EQ(RangeTable(i).count, 0);
    }
    // Spot checks of the order that is data.
    EXPECT_EQ(RangeTable(2).table[12].lo, 0.0f);
    EXPECT_EQ(RangeTable(2).table[12].hi, 150.0f);
    EXPECT_EQ(RangeTable(10).table[24].hi, 600.0f);
    EXPECT_EQ(RangeTable(14).table[22].hi, 50.0f);
    EXPECT_EQ(RangeTable(14).table[27].hi, 200.0f);
}

// Every standard range of every table survives the round trip the reading
// and a later pick make: lists filled for r, then FindRange gives r again.
TEST(RangeLists, EveryRangeShowsAndFindsItself) {
    for (int index = 0; index <= 15; ++index) {
        Window w(index);
        for (int r = 0; r < w.t.count; ++r) {
            w.Show(r);
            SCOPED_TRACE(::testing::Message() << "index " << index << " range " << r);
            EXPECT_EQ(w.image.TMin, w.t.table[r].lo);
            EXPECT_EQ(w.image.TMax, w.t.table[r].hi);
            int found = -1;
            FindRange(w.t.table, w.t.count, w.minList, w.maxList, found);
            EXPECT_EQ(found, r);
        }
    }
}

TEST(RangeLists, Pt100LowerLimitsAndPicks) {
    Window w(kPt100);
    w.Show(0);
    EXPECT_EQ(w.minList.items, (Strings{"-200", "-150", "-120", "-100", "-90", "-70", "-50", "-30", "-25",
                                        "-20", "0", "50", "100", "200", "-10"}));
    w.PickMin("-50");
    EXPECT_EQ(w.maxList.items, (Strings{"0", "50", "100", "150", "200", "250", "400", "500", "600", "120"}));
    EXPECT_EQ(w.maxList.Text(), "0");
    EXPECT_EQ(w.diap, 15);
    w.PickMax("600");
    EXPECT_EQ(w.diap, 24);
    w.PickMax("120");
    EXPECT_EQ(w.diap, 43);
    EXPECT_EQ(w.image.TMin, -50.0f);
    EXPECT_EQ(w.image.TMax, 120.0f);

    w.PickMin("-30");
    EXPECT_EQ(w.maxList.items, (Strings{"50", "20"}));
    EXPECT_EQ(w.diap, 23);
}

TEST(RangeLists, XaKLowerAndUpperLimits) {
    Window w(kXaK);
    w.Show(0);
    EXPECT_EQ(w.minList.items, (Strings{"-50", "0", "200", "400", "600"}));
    w.PickMin("0");
    EXPECT_EQ(w.maxList.items, (Strings{"200", "300", "400", "600", "800", "900", "1100", "150"}));
    EXPECT_EQ(w.diap, 1);
    w.PickMax("150");
    EXPECT_EQ(w.diap, 12);
}

TEST(RangeLists, SetpointCodeShownInEachRange) {
    Window w(kPt100);
    const std::pair<int, const char*> kCases[] = {{18, "50"}, {30, "50"}, {17, "25"}};
    for (const auto& [range, shown] : kCases) {
        w.Show(range);
        EXPECT_EQ(FormatFixed(w.image.ToTemp(4096), 4, 0), shown) << range;
    }
}

TEST(RangeLists, OddInputsKeepTheListsSane) {
    Window w(kPt100);
    w.image.TMin = 7;
    w.image.TMax = 8;
    // A non-standard mark (range >= count) never indexes past the table.
    w.Show(47);
    EXPECT_EQ(w.minList.Selected(), 0);
    EXPECT_EQ(w.maxList.Selected(), 0);
    EXPECT_EQ(w.image.TMin, -200.0f);
    EXPECT_EQ(w.image.TMax, -150.0f);

    // No table: empty lists, limits untouched, FindRange leaves its result.
    VectorComboList minList, maxList;
    DeviceImage image;
    image.TMin = 7;
    image.TMax = 8;
    minList.Add("x");
    FillMinList(nullptr, 0, 0, minList, image);
    FillMaxList(nullptr, 0, 0, minList, maxList, image);
    EXPECT_EQ(minList.Count(), 0);
    EXPECT_EQ(maxList.Count(), 0);
    EXPECT_EQ(image.TMin, 7.0f);
    EXPECT_EQ(image.TMax, 8.0f);
    int r = 5;
    FindRange(w.t.table, w.t.count, minList, maxList, r);
    EXPECT_EQ(r, 5);
}

TEST(LimitTexts, ShortestFormRoundTrips) {
    const std::pair<float, const char*> kCases[] = {
        {-120.0f, "-120"}, {0.0f, "0"}, {-0.0f, "0"}, {1300.0f, "1300"}, {99.5f, "99,5"},
        {0.1f, "0,1"}, {-10.0f, "-10"}, {1e7f, "10000000"}};
    for (const auto& [v, text] : kCases) {
        EXPECT_EQ(LimitText(v), text);
        EXPECT_EQ(LimitValue(text), v) << text;
    }
    EXPECT_EQ(LimitValue(""), 0.0f);
    EXPECT_EQ(LimitValue("12abc"), 0.0f);
}

}  // namespace
}  // namespace tservice
