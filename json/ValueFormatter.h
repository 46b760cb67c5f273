#pragma once
// An object or array value laid out on lines: one member or element per line, indented
// by two blanks per level, ": " after a key, empty containers kept as {} and [].
// Strings, numbers and any other bare text are copied unchanged; blanks outside strings
// are dropped next to { } [ ] , : and kept between bare words. GB18030 text, no Qt.
//
// Tolerant of the text the engine accepts: unbalanced brackets (a missing closer just
// ends the text, an extra one does not go below the first level), unquoted keys and
// values, single-quoted strings (a ' opens a string only where a key or value begins,
// so "don't" in bare text stays as it is), an unterminated string (copied to the end),
// text before or after the container. A two-byte unit is never split, so a trail byte
// that looks like "\" or a quote does not end a string.
//
// The result is at most eight times the input plus 64 KiB: nesting thousands of levels
// deep would otherwise need indentation that grows with the square of the depth. Past
// that size the rest of the text is appended as it stands.
#include <string>
#include <string_view>

namespace tess {

std::string formatValue(std::string_view raw);

} // namespace tess
