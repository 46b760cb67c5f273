#pragma once
// Colour on a terminal: names, strings, numbers and literals (true, false, null) in the
// colours of the usual JSON tools, by ANSI escapes. Off unless standard output is a
// terminal and NO_COLOR is unset or empty, or --color=always.
#include "cli/CliOptions.h"

#include <string>
#include <string_view>

namespace tess::cli {

// Added and Removed are for the lines of a difference.
enum class ColourRole { Name, String, Number, Literal, Path, Added, Removed };

// Whether output to standard output is coloured under this choice.
bool coloursOutput(ColorChoice choice);

// Appends text in the role's colour.
void appendColoured(std::string& out, std::string_view text, ColourRole role);

// Appends a JSON text (standard JSON, compact or laid out, in any charset with ASCII
// structure) with its names, strings, numbers and literals coloured. Keeps state across
// calls, so a text may come in pieces.
class JsonColourer {
public:
    void append(std::string& out, std::string_view json);

private:
    enum class Token : uint8_t { None, String, Bare };
    void start(std::string& out, char c);
    std::string m_containers; // '{' or '[' per open container
    bool m_expectName = false; // in an object, where a name comes next
    Token m_token = Token::None;
    bool m_escape = false;
};

// The role of a scalar's text as written: a quoted string, a number, or a literal.
ColourRole roleOfScalar(std::string_view text);

// Appends a tree caption escaped as appendEscaped does: a scalar's "name:value" with the
// name (its first nameLength bytes) and the value coloured, a container's name coloured.
void appendColouredCaption(std::string& out, std::string_view caption, std::size_t nameLength, bool scalar);

// Appends a --paths line's value escaped, coloured by the value as written (raw).
void appendColouredValue(std::string& out, std::string_view shown, std::string_view raw);

} // namespace tess::cli
