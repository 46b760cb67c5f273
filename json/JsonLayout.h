#pragma once
// Standard JSON text laid out again, in pieces: compact (no blanks outside strings) or
// indented (one member or element per line, `"name": value`, empty containers as {} and
// []). Strings pass through byte for byte, so any charset with ASCII structure works.
// Meant for text already known to be JSON; other text comes out with its blanks dropped.
// No Qt.
#include <functional>
#include <string>
#include <string_view>

namespace tess {

class JsonLayout {
public:
    // indent: blanks per level; 0 for compact text.
    JsonLayout(int indent, std::function<void(std::string_view)> out);
    void feed(std::string_view piece);
    // Writes what is left; call once after the last piece.
    void finish();

private:
    void newLine(int depth);
    void feedCompact(std::string_view piece);
    int m_indent;
    std::function<void(std::string_view)> m_out;
    std::string m_buffer;
    int m_depth = 0;
    bool m_inString = false;
    bool m_escape = false;
    bool m_opened = false; // an opener was written and nothing after it yet
};

// The whole text at once.
std::string layOutJson(std::string_view json, int indent);

} // namespace tess
