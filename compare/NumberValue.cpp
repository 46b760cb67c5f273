#include "compare/NumberValue.h"

#include <cstdint>

namespace tess::compare {

std::optional<std::string> canonicalNumber(std::string_view t)
{
    std::size_t i = 0;
    const bool negative = i < t.size() && t[i] == '-';
    if (negative)
        ++i;
    auto digit = [&](std::size_t at) { return at < t.size() && t[at] >= '0' && t[at] <= '9'; };
    if (!digit(i))
        return std::nullopt;
    const std::size_t intStart = i;
    if (t[i] == '0')
        ++i;
    else
        while (digit(i))
            ++i;
    const std::size_t intEnd = i;
    std::size_t fracStart = i, fracEnd = i;
    if (i < t.size() && t[i] == '.') {
        ++i;
        if (!digit(i))
            return std::nullopt;
        fracStart = i;
        while (digit(i))
            ++i;
        fracEnd = i;
    }
    bool expNegative = false;
    std::string_view expDigits;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            expNegative = t[i++] == '-';
        const std::size_t s = i;
        if (!digit(i))
            return std::nullopt;
        while (digit(i))
            ++i;
        expDigits = t.substr(s, i - s);
    }
    if (i != t.size())
        return std::nullopt;

    // All significant digits in a row; the value is 0.DIGITS * 10^point.
    std::string digits;
    digits.reserve(intEnd - intStart + fracEnd - fracStart);
    digits.append(t.substr(intStart, intEnd - intStart));
    digits.append(t.substr(fracStart, fracEnd - fracStart));
    int64_t point = static_cast<int64_t>(intEnd - intStart);
    std::size_t lead = 0;
    while (lead < digits.size() && digits[lead] == '0')
        ++lead;
    if (lead == digits.size())
        return std::string("0");
    point -= static_cast<int64_t>(lead);
    std::size_t last = digits.size();
    while (digits[last - 1] == '0')
        --last;
    std::string out;
    if (negative)
        out.push_back('-');
    out.push_back(digits[lead]);
    if (last - lead > 1) {
        out.push_back('.');
        out.append(digits, lead + 1, last - lead - 1);
    }
    out.push_back('e');
    while (!expDigits.empty() && expDigits.front() == '0')
        expDigits.remove_prefix(1);
    if (expDigits.size() > 15) {
        // Too far out for the arithmetic below; such exponents compare as written.
        out += expNegative ? "-" : "+";
        out.append(expDigits);
        out.push_back('~');
        out += std::to_string(point);
        return out;
    }
    int64_t exponent = 0;
    for (char c : expDigits)
        exponent = exponent * 10 + (c - '0');
    if (expNegative)
        exponent = -exponent;
    out += std::to_string(exponent + point - 1);
    return out;
}

} // namespace tess::compare
