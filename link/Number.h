#pragma once
// The one reader of numbers typed by people or stored in files: the window's
// fields, the command line, saved sets, the journal and the sensor tables.
// It never consults the process locale; what a source allows is its form.
#include <optional>
#include <string_view>

namespace tservice {

// What a text may hold besides an optional leading '-' and decimal digits.
struct NumberForm {
    bool comma = false;     // ',' as the decimal separator
    bool point = false;     // '.' as the decimal separator
    bool plus = false;      // a leading '+'
    bool exponent = false;  // "e-3", "E+2" after the digits
};

// The window's fields: "-12,5", ",5", "12".
inline constexpr NumberForm kCommaNumber{true, false, false, false};
// The command line and files: a comma or a point ("12.5", "12,5").
inline constexpr NumberForm kTypedNumber{true, true, false, false};
// The sensor tables: C-style "-1.5", "+2", "3e-2".
inline constexpr NumberForm kTableNumber{false, true, true, true};
// Whole numbers only.
inline constexpr NumberForm kWholeNumber{};

// The whole text as a finite number of the given form: at least one digit,
// at most one separator and a digit after it; no blanks, hex, nan or inf.
// Empty when the text is anything else.
std::optional<double> ReadNumber(std::string_view text, NumberForm form);

// A whole number lo..hi (inclusive) written as kWholeNumber, or, with
// fractionZeros, also "12,0"/"12.0"; empty otherwise.
std::optional<int> ReadWhole(std::string_view text, int lo, int hi, bool fractionZeros = false);

}  // namespace tservice
