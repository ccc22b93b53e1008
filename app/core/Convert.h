#pragma once
// Conversions between code units, °C, per cent and mA, and the one number
// format of the window ("fixed P/D": P significant digits, D decimals, comma).
#include <cstdint>
#include <string>

namespace tservice {

// Value rounded (half away from zero) to P significant digits and at most D
// decimals, shown with exactly D decimals and a comma; "-" only when a non-zero
// digit is shown (never "-0"). When the rounded integer part needs more than P
// digits: mantissa of P digits without trailing zeros, "E", signed exponent
// ("1,2346E+5", "1E+6"). P is taken within 1..18, D within 0..18; NaN and
// infinities give "NAN", "INF", "-INF".
// FormatFixed(1234.56, 5, 2) == "1234,60"; FormatFixed(123.4, 4, 0) == "123".
std::string FormatFixed(double value, int precision, int decimals);

// ТЕВ (0..kTevScale over the range).
double TevCodeToPercent(std::int32_t code);                          // code*100/kTevScale
// trunc; 0 when tMax == tMin. Every code conversion to int32 clamps to the
// int32 span and gives 0 for NaN instead of undefined behaviour.
std::int32_t TevTempToCode(double t, double tMin, double tMax);
double TxcToCelsius(std::int32_t txc);                               // txc*100/kTevScale
// ЛАДР, ОСКИ (0..kLadrScale = 0..100 % = 4..20 mA).
double LadrCodeToPercent(std::int32_t code);                         // code*100/kLadrScale
std::int32_t LadrPercentToCode(double p);                            // trunc(p*kLadrScale*0.01)
double LadrCodeToMa(std::int32_t code);                              // code*16/kLadrScale+4
std::int32_t LadrMaToCode(double ma);                                // trunc((ma-4)*kLadrScale*0.0625)

}  // namespace tservice
