#pragma once
// Hand-written equivalents of the scanner's four white-space patterns, matched character
// by character over GB18030 text like the regex service (multi-line: ^ and $ at CR and LF).
// White space is \s (space, tab, LF, VT, FF, CR) and the ideographic space (A1 A1).
//   trimKey:       [\s　]+"|"[\s　]+|^[ 　"\t]+|[ 　"\t]+$   -> ""
//   open pass:     [\s　]+(\[|{|")                          -> "$1"
//   close pass:    (\]|}|")[\s　]+                          -> "$1"
//   trimValue:     ^[ 　\t]+|[ 　\t]+$                       -> ""
// The two compacting passes act outside strings only: white space between a string's
// quotes is part of its value. Quotes pair from the text's start; a last quote without a
// partner opens no string.
#include <cstddef>
#include <string>
#include <string_view>

namespace tess::patterns {

// Length of the character starting at text[i] (1, 2 or 4 bytes); a byte that does not
// start a well-formed GB18030 sequence counts as one character of its own.
std::size_t unitLength(std::string_view text, std::size_t i);

std::string trimKey(std::string_view text);
std::string trimValue(std::string_view text);
std::string compactWhitespace(std::string_view text);
// compactWhitespace of the text with its escapes protected as JsonScanner::protectEscapes
// does, in one pass: 1 with the result in out, 0 when the result is the text itself (out
// is then not written), -1 when this text needs the two steps one after the other (a
// backslash escaping '|', or one that ends a two-byte character but starts a unit).
int protectAndCompactInto(std::string_view text, std::string& out);

// When trimValue only cuts blanks at the two ends of text (the common case), returns the
// remaining sub-view and sets contiguous; otherwise returns an empty view and clears it.
std::string_view trimValueView(std::string_view text, bool& contiguous);
// The same for trimKey.
std::string_view trimKeyView(std::string_view text, bool& contiguous);

// True when the text holds white space only (or nothing): an array of one such element
// has no elements.
bool isWhiteSpace(std::string_view text);

// True when compactWhitespace would return the text unchanged.
bool isCompact(std::string_view text);
// isCompact, but also false when a backslash is followed by " or | (byte-wise): true
// then means neither escape protection nor compacting can change the text.
bool isCompactWithoutEscapes(std::string_view text);

} // namespace tess::patterns
