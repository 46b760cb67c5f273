#pragma once
// Numbers compared by value: a JSON number's text turned into one spelling per value,
// exactly (decimal digits, never through double), so that 1.0, 1 and 1e0 read the same
// and two integers of forty digits differ in their last one. No Qt.
#include <optional>
#include <string>
#include <string_view>

namespace tess::compare {

// The value of a JSON number (-?int(.frac)?([eE][+-]?digits)?) as "[-]D.DDDeN" with no
// leading or trailing zero digits ("0" for zero, whatever its sign or exponent); nothing
// when text is not a JSON number. An exponent past 15 digits keeps its digits as written.
std::optional<std::string> canonicalNumber(std::string_view text);

} // namespace tess::compare
