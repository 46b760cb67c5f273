#pragma once
// Fields of a record table written as delimited text: CSV (RFC 4180) and TSV for the
// clipboard. No Qt.
#include <string>
#include <string_view>

namespace tess::big {

// Appends field, quoted when it holds a quote, the separator or a line break (or starts
// or ends with a blank, which some readers trim); quotes inside doubled.
void appendDelimitedField(std::string& out, std::string_view field, char separator);

} // namespace tess::big
