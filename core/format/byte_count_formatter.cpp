#include "core/format/byte_count_formatter.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "core/format/decimal_text.h"

namespace lopewell {

namespace {

constexpr std::array<std::string_view, 7> unitNames { "bytes", "KB", "MB", "GB", "TB", "PB", "EB" };
constexpr std::array<int, 7> fractionDigits { 0, 0, 1, 2, 2, 2, 2 };

int index(ByteUnit unit)
{
    return static_cast<int>(unit);
}

size_t integerDigitCount(std::string_view fixed)
{
    return std::min(fixed.find('.'), fixed.size());
}

// "1234.50" -> "1,234.5"; "2.00" -> "2".
std::string presentable(std::string_view fixed)
{
    std::string_view integerPart = fixed.substr(0, integerDigitCount(fixed));
    std::string_view fractionPart = fixed.substr(std::min(integerPart.size() + 1, fixed.size()));
    while (!fractionPart.empty() && fractionPart.back() == '0')
        fractionPart.remove_suffix(1);
    std::string text = withThousandsSeparators(integerPart);
    if (!fractionPart.empty()) {
        text += '.';
        text += fractionPart;
    }
    return text;
}

}  // namespace

std::string formatByteCount(uint64_t bytes, ByteCountStyle style, ByteUnitRange units)
{
    const int smallest = index(units.smallest);
    const int largest = std::max(smallest, index(units.largest));
    const double base = style == ByteCountStyle::file ? 1000.0 : 1024.0;

    if (bytes == 0) {
        int zeroUnit = largest == index(ByteUnit::bytes) ? 0 : std::max(smallest, index(ByteUnit::kilobytes));
        return "Zero " + std::string(unitNames[size_t(zeroUnit)]);
    }

    if (smallest == index(ByteUnit::bytes) && (double(bytes) < base || largest == index(ByteUnit::bytes))) {
        if (bytes == 1)
            return "1 byte";
        return withThousandsSeparators(std::to_string(bytes)) + " bytes";
    }

    // Start at the largest unit the count fills at least once, within the allowed range.
    int unit = std::max(smallest, index(ByteUnit::kilobytes));
    double divisor = 1.0;
    for (int i = 0; i < unit; ++i)
        divisor *= base;
    while (unit < largest && double(bytes) >= divisor * base) {
        divisor *= base;
        ++unit;
    }

    std::string fixed = fixedPoint(double(bytes) / divisor, fractionDigits[size_t(unit)]);
    // 999,999 bytes is "1 MB", never "1,000 KB".
    if (integerDigitCount(fixed) > 3 && unit < largest) {
        divisor *= base;
        ++unit;
        fixed = fixedPoint(double(bytes) / divisor, fractionDigits[size_t(unit)]);
    }
    std::string number = presentable(fixed);
    if (number == "0")
        number = "1";
    return number + " " + std::string(unitNames[size_t(unit)]);
}

}  // namespace lopewell
