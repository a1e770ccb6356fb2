// Locale-independent conversion of field texts to numbers, with "." as the only decimal point.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace erp {

// A real number: optional sign, then digits with an optional "." and fraction (at least one digit
// before or after the point), then an optional exponent "e"/"E" with optional sign and digits.
// Nothing else is accepted: no blanks, "nan", "inf", hex or ",". Empty when the text is not such a
// number or its value is out of the range of a double.
std::optional<double> ParseReal(std::string_view text);
// The same as a flag and an out-value: true with `value` set, or false (`value` unchanged). The
// loading pass's loop takes this form: an optional double comes back through memory.
bool ParseReal(std::string_view text, double& value);

// A whole number: optional sign and decimal digits only. Empty when the text is not one or its
// value is out of the 32-bit signed range.
std::optional<std::int32_t> ParseInt32(std::string_view text);

// The shortest decimal text that reads back to the same value ("." as decimal point).
std::string FormatShortest(double value);

// Appends a whole number in decimal as the settings files hold it: no leading blanks or zeros, a
// minus sign when negative.
void AppendInt32(std::string& out, std::int32_t value);

}  // namespace erp
