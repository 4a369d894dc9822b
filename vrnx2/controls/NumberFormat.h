#pragma once
// Number display format of the grid's text columns: the picture patterns people type into a
// column's settings ("##0.0", "#,##0.00", "0.0;(0.0);-").

#include <optional>
#include <string>
#include <string_view>

namespace vrnx2 {

// Reads a whole text as a number: blanks around it are ignored, `decimalSeparator` is the
// decimal point, an exponent is allowed. Infinity, NaN and trailing text are refused.
std::optional<double> ParseNumber(std::string_view text, char decimalSeparator = '.');

// Formats `value` with a picture pattern:
//   0  a digit, always shown         #  a digit, shown when significant
//   .  the decimal point (first one)  ,  thousands separators in the integer part
//   'x' or "x"  literal text          ;  sections: positive;negative;zero
// Other characters are literal. Rounding is half away from zero on the shortest decimal
// form of the value, so 41.25 with "##0.0" gives 41.3. A negative value formatted by a
// negative section loses its sign; a result that rounds to zero carries no sign.
std::string FormatNumber(std::string_view pattern, double value, char decimalSeparator = '.',
                         char thousandSeparator = ',');

}  // namespace vrnx2
