#pragma once
// Conversions between code units, °C, per cent and mA, and the one number
// format of the window ("fixed P/D": P significant digits, D decimals, comma).
#include <cstdint>
#include <string>

namespace tservice {

// Value rounded to P significant digits, shown with D decimals and a comma;
// exponent form when the integer part needs more than P digits.
// FormatFixed(1234.56, 5, 2) == "1234,60"; FormatFixed(123.4, 4, 0) == "123".
std::string FormatFixed(double value, int precision, int decimals);

// ТЕВ (0..8191 over the range).
double TevCodeToPercent(std::int32_t code);                          // code*100/8191
std::int32_t TevTempToCode(double t, double tMin, double tMax);      // trunc
double TxcToCelsius(std::int32_t txc);                               // txc*100/8191
// ЛАДР, ОСКИ (0..16383 = 0..100 % = 4..20 mA).
double LadrCodeToPercent(std::int32_t code);                         // code*100/16383
std::int32_t LadrPercentToCode(double p);                            // trunc(p*16383*0.01)
double LadrCodeToMa(std::int32_t code);                              // code*16/16383+4
std::int32_t LadrMaToCode(double ma);                                // trunc((ma-4)*16383*0.0625)

// A comma-decimal text ("-12,5") to a number; false when it is no number.
bool ParseCommaNumber(const std::string& text, double& value);

}  // namespace tservice
