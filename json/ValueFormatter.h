#pragma once
// An object or array value laid out on lines: one member or element per line, indented
// by two blanks per level, ": " after a key, empty containers kept as {} and [].
// Strings, numbers and any other bare text are copied unchanged; blanks outside strings
// are dropped next to { } [ ] , : and kept between bare words. GB18030 text, no Qt.
//
// Text outside every container is copied as it stands (but for blanks at the very end):
// an HTTP head before the body, text after it, a stray closer, and so the whole text of
// a scalar ("p, q" stays one line). Tolerant of the text the engine accepts: unbalanced brackets (a missing closer
// just ends the text), unquoted keys and values, single-quoted strings (a ' opens a
// string only where a key or value begins, so "don't" in bare text stays as it is), an
// unterminated string (copied to the end). A two-byte unit is never split, so a trail
// byte that looks like "\" or a quote does not end a string.
//
// The result is at most eight times the input plus 64 KiB: nesting thousands of levels
// deep would otherwise need indentation that grows with the square of the depth. Past
// that size the rest of the text is appended as it stands.
#include <string>
#include <string_view>

namespace tess {

// Meant for the value of an object or array node as the value box holds it (valueOfNode,
// valueAt). A scalar's text comes back unchanged unless it holds a bracket; such a text
// ("see [1], or {x}") is laid out around its brackets too, so a caller that knows the
// node is a scalar should show it unformatted.
std::string formatValue(std::string_view raw);

} // namespace tess
