#include "Ranges.h"

#include <charconv>
#include <cmath>
#include <iterator>

#include "Number.h"

namespace tservice {

namespace {

// The position of a range is its number on the wire: never reorder.
constexpr StdRange kTableA[] = {
    {-120, 30}, {-50, 100}, {-50, 150}, {-50, 200}, {0, 100}, {0, 150}, {0, 200},
    {0, 300},   {0, 400},   {0, 600},   {0, 800},   {50, 200}, {150, 400},
};
constexpr StdRange kTableB[] = {
    {-50, 200}, {0, 200},   {0, 300},   {0, 400},    {0, 600},    {0, 800}, {0, 900},
    {0, 1100},  {200, 600}, {200, 800}, {400, 900}, {600, 1100}, {0, 150},
};
constexpr StdRange kTableC[] = {
    {-120, 30}, {-50, 100}, {0, 100}, {0, 150}, {0, 200}, {0, 300},
};
constexpr StdRange kTableD[] = {{0, 1300}, {500, 1300}};
constexpr StdRange kTableE[] = {{100, 1800}, {1000, 1800}};
constexpr StdRange kTableF[] = {
    {-200, -150}, {-200, -100}, {-200, -70}, {-200, 0},  {-200, 40},  {-200, 50},  {-200, 70},
    {-200, 100},  {-200, 150},  {-150, 0},   {-120, 30}, {-100, 50},  {-100, 200}, {-90, 50},
    {-70, 180},   {-50, 0},     {-50, 50},   {-50, 100}, {-50, 150},  {-50, 200},  {-50, 250},
    {-50, 400},   {-50, 500},   {-30, 50},   {-50, 600}, {-30, 20},   {-25, 25},   {-20, 50},
    {-20, 30},    {0, 50},      {0, 100},    {0, 150},   {0, 200},    {0, 300},    {0, 400},
    {0, 500},     {0, 650},     {50, 200},   {100, 200}, {100, 300},  {200, 300},  {200, 500},
    {-200, 600},  {-50, 120},   {-10, 100},  {0, 120},   {0, 250},
};
constexpr StdRange kTableG[] = {
    {-50, 0}, {-50, 50}, {-50, 100}, {-50, 150}, {-50, 180}, {-25, 25},
    {0, 50},  {0, 100},  {0, 150},   {0, 180},   {50, 100},
};
constexpr StdRange kTableH[] = {
    {-200, -150}, {-200, -100}, {-200, -70}, {-200, 0},  {-200, 40},  {-200, 50}, {-200, 70},
    {-200, 100},  {-200, 150},  {-150, 0},   {-120, 30}, {-100, 50},  {-100, 200}, {-90, 50},
    {-70, 180},   {-50, 0},     {-50, 50},   {-50, 100}, {-50, 150},  {-50, 200}, {-30, 20},
    {-25, 25},    {-20, 50},    {-20, 30},   {0, 50},    {0, 100},    {0, 150},   {0, 200},
};

template <std::size_t N>
constexpr RangeTableRef Ref(const StdRange (&t)[N]) {
    return {t, static_cast<int>(N)};
}

bool ValidRange(const StdRange* table, int count, int range) {
    return table != nullptr && range >= 0 && range < count;
}

}  // namespace

RangeTableRef RangeTable(int index) {
    switch (index) {
    case 0: case 1: case 3: return Ref(kTableA);
    case 2: return Ref(kTableB);
    case 4: return Ref(kTableC);
    case 5: case 6: return Ref(kTableD);
    case 7: case 8: case 9: return Ref(kTableE);
    case 10: case 11: case 12: return Ref(kTableF);
    case 13: return Ref(kTableG);
    case 14: case 15: return Ref(kTableH);
    default: return {};
    }
}

std::string LimitText(float value) {
    if (value == 0.0f) return "0";  // also -0
    char buf[64];
    // Shortest fixed form that reads back to the same float: "1300", "99.5".
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (ec != std::errc()) return {};
    std::string text(buf, end);
    for (char& c : text)
        if (c == '.') c = ',';
    return text;
}

float LimitValue(const std::string& text) {
    return static_cast<float>(ReadNumber(text, kCommaNumber).value_or(0.0));
}

void FillMinList(const StdRange* table, int count, int range, IComboList& minList, DeviceImage& image) {
    minList.Clear();
    if (table == nullptr || count <= 0) return;  // no standard ranges: TMin stays
    // A range number outside the table (a non-standard mark) selects item 0.
    const bool known = ValidRange(table, count, range);
    minList.Add(LimitText(table[0].lo));
    minList.Select(0);
    float last = table[0].lo;
    for (int i = 1; i < count; ++i) {
        const float lo = table[i].lo;
        if (lo == last) continue;
        bool seen = false;
        for (int j = 0; j < i && !seen; ++j) seen = table[j].lo == lo;
        if (!seen) {
            minList.Add(LimitText(lo));
            if (known && table[range].lo == lo) minList.Select(minList.Count() - 1);
        }
        last = lo;
    }
    image.TMin = LimitValue(minList.Text());
}

void FillMaxList(const StdRange* table, int count, int range, const IComboList& minList,
                 IComboList& maxList, DeviceImage& image) {
    maxList.Clear();
    if (table == nullptr || count <= 0 || minList.Text().empty()) return;  // TMax stays
    const float chosen = LimitValue(minList.Text());
    const bool known = ValidRange(table, count, range);
    bool selected = false;
    for (int i = 0; i < count; ++i) {
        if (table[i].lo != chosen) continue;
        maxList.Add(LimitText(table[i].hi));
        if (known && table[range].hi == table[i].hi) {
            maxList.Select(maxList.Count() - 1);
            selected = true;
        }
    }
    if (maxList.Count() == 0) return;
    // range does not share the chosen lower limit: show the first upper limit
    // rather than an empty list whose number would be read as 0.
    if (!selected) maxList.Select(0);
    image.TMax = LimitValue(maxList.Text());
}

void FindRange(const StdRange* table, int count, const IComboList& minList,
               const IComboList& maxList, int& result) {
    if (table == nullptr || minList.Text().empty() || maxList.Text().empty()) return;
    const float lo = LimitValue(minList.Text());
    const float hi = LimitValue(maxList.Text());
    for (int i = 0; i < count; ++i)
        if (table[i].lo == lo && table[i].hi == hi) result = i;
}

}  // namespace tservice
