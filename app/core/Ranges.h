#pragma once
// Standard measuring ranges of the sensor types and the two limit lists of the
// main window (CBoxMin, CBoxMax). The order of each table is data: a range's
// position is the number stored in Diap and written to the transmitter.
#include <string>

#include "DeviceImage.h"

namespace tservice {

struct StdRange {
    float lo;  // °C
    float hi;  // °C
};

struct RangeTableRef {
    const StdRange* table = nullptr;  // static storage; null outside 0..15
    int count = 0;
};

// Range-table index 0..15 (TipD, +10 for ТЕВ-ТС) to its table; {nullptr, 0}
// outside that span ("no standard ranges").
RangeTableRef RangeTable(int index);

// A drop-down list as the range operations see it; QComboBox implements it
// through an adapter, tests through a plain vector.
class IComboList {
public:
    virtual ~IComboList() = default;
    virtual void Clear() = 0;
    virtual void Add(const std::string& text) = 0;
    virtual int Count() const = 0;
    virtual void Select(int index) = 0;   // also makes the shown text that item's
    virtual int Selected() const = 0;     // -1 when none
    virtual std::string Text() const = 0; // the shown text ("" when none)
};

// Shortest decimal form of a limit that reads back to the same float, comma
// decimal, never an exponent (-120, 0, 1300, 99.5 -> "99,5").
std::string LimitText(float value);
// Reads a limit text back to the float it came from; 0 for an empty text or
// one that is not wholly a number.
float LimitValue(const std::string& text);

// Fills minList with the distinct lower limits (order of first appearance),
// selects that of range `range` (item 0 when range is outside the table), sets
// image.TMin. A null or empty table leaves the list empty and TMin unchanged.
void FillMinList(const StdRange* table, int count, int range, IComboList& minList, DeviceImage& image);
// Fills maxList with the upper limits of the ranges sharing the lower limit
// shown in minList (table order), selects that of `range` (item 0 when none
// matches), sets image.TMax. An empty result leaves TMax unchanged.
void FillMaxList(const StdRange* table, int count, int range, const IComboList& minList,
                 IComboList& maxList, DeviceImage& image);
// The last range whose limits equal the shown ones (exact float comparison);
// result unchanged if none or when a list shows nothing.
void FindRange(const StdRange* table, int count, const IComboList& minList,
               const IComboList& maxList, int& result);

}  // namespace tservice
