#pragma once

#include <optional>

// The "fStyle" registry value: one code per set of font styles.
//
// Codes 0 to 11 are the style set read as bits (bold 1, italic 2, underline 4,
// strike-out 8); 12, 13 and 14 stand for the sets 15 (all four), 14 (italic,
// underline, strike-out) and 12 (underline, strike-out). That leaves one set
// without a code of its own, bold + underline + strike-out (13), and one code
// unused, 15: bold + underline + strike-out is stored as 15. Every set then has
// exactly one code, and a program that knows only the codes 0 to 14 leaves the
// style as designed when it meets a 15 instead of misreading it.
namespace FontStyleCode {

enum Style : int { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };

// The code stored for a set of styles (any combination of Style flags).
int fromStyles(int styles);

// The set of styles a code stands for; no value for a code outside 0 to 15.
std::optional<int> toStyles(int code);

} // namespace FontStyleCode
