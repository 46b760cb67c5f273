#pragma once
// Value encodings of the settings file. All texts are GB18030.
#include <string>
#include <string_view>
#include <vector>

namespace tess::settings {

// CR LF -> "┊*┊" and back.
std::string encodeText(std::string_view text);
std::string decodeText(std::string_view stored);

// "%.13g" in the C locale.
std::string formatNumber(double value);
// Full-width ASCII forms and the full-width blank become ASCII, then the leading
// numeric part is converted (C locale). No numeric prefix, or a result that is not
// finite, gives 0.
double parseNumber(std::string_view stored);

// "真" / "假"; reading is true exactly for "真".
std::string_view boolText(bool value);

// Item list of a list or combo box in its side file: a count line, then per item
// its byte length on a line and the bytes followed by a line feed. Returns false on
// a malformed image (items left untouched).
std::string encodeItemList(const std::vector<std::string>& items);
bool decodeItemList(std::string_view bytes, std::vector<std::string>& items);

// Ascending indices joined by "," and back (an element that is no number gives 0;
// an empty text gives no indices).
std::string joinIndices(const std::vector<int>& indices);
std::vector<int> splitIndices(std::string_view text);

// Nearest integer, clamped to the int range (0 for NaN).
int roundToInt(double value);

} // namespace tess::settings
