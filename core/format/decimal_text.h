// Locale-free number text for the formatters: a desktop locale must never turn "1.5" into "1,5".
#pragma once

#include <string>
#include <string_view>

namespace lopewell {

// Like printf("%.*f", fractionDigits, value) in the C locale, rounding included.
std::string fixedPoint(double value, int fractionDigits);

// "1234567" -> "1,234,567".
std::string withThousandsSeparators(std::string_view digits);

}  // namespace lopewell
