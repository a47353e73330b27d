#include "core/format/decimal_text.h"

#include <array>
#include <charconv>

namespace lopewell {

std::string fixedPoint(double value, int fractionDigits)
{
    // 309 integer digits for the largest double, the fraction, sign and point.
    std::array<char, 400> buffer {};
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, fractionDigits);
    return std::string(buffer.data(), result.ptr);
}

std::string withThousandsSeparators(std::string_view digits)
{
    std::string grouped;
    grouped.reserve(digits.size() + digits.size() / 3);
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

}  // namespace lopewell
