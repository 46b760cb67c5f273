#pragma once
// JSON held inside a string value, as in log lines and queue messages:
// "payload":"{\"id\":1,...}".
#include <string>
#include <string_view>

namespace tess {

// The text of a JSON string body (the value between its quotes) with its escapes
// decoded: \" \\ \/ \b \f \n \r \t and \uXXXX (surrogate pairs joined; a lone
// surrogate becomes "?"). An unknown escape keeps its character. GB18030 in and out.
std::string unescapeJsonString(std::string_view body);

// The decoded text when the string body holds a JSON object or array: after blanks,
// it starts with "{" or "[", ends with the matching "}" or "]", and its brackets
// balance outside strings. Empty otherwise.
std::string embeddedJson(std::string_view body);

} // namespace tess
