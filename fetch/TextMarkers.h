#pragma once
// Case-insensitive (ASCII letters) text operations over GBK/GB18030 text: a search
// position never falls on the second byte of a two-byte unit.
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tess {

// 0-based offset of needle at or after from, letters compared without case; npos if none.
std::size_t findNoCase(std::string_view text, std::string_view needle, std::size_t from = 0);

// Replaces every occurrence of needle, compared without case.
std::string replaceAllNoCase(std::string_view text, std::string_view needle,
                             std::string_view replacement);

// True when the text contains at least one non-empty alternative (without case).
bool containsAnyOf(std::string_view text, std::initializer_list<std::string_view> alternatives);

// Finds left from position, then right after it; returns the text strictly between them
// and moves position just past right. Empty text and position unchanged when either
// marker is missing. found (when given) tells a missing marker from an empty span.
std::string textBetweenMarkers(std::string_view text, std::string_view left,
                               std::string_view right, std::size_t& position,
                               bool* found = nullptr);

// The text without leading and trailing spaces (ASCII space and full-width space A1 A1).
std::string trimSpaces(std::string_view text);

} // namespace tess
