#include "cli/Colour.h"

#include "cli/CliOutput.h"

#include <cstdlib>
#include <unistd.h>

namespace tess::cli {
namespace {

constexpr std::string_view kReset = "\x1b[0m";

std::string_view colourOf(ColourRole role)
{
    switch (role) {
    case ColourRole::Name: return "\x1b[34;1m";   // bold blue
    case ColourRole::String: return "\x1b[32m";   // green
    case ColourRole::Number: return "\x1b[36m";   // cyan
    case ColourRole::Literal: return "\x1b[33m";  // yellow
    case ColourRole::Path: return "\x1b[34m";     // blue
    case ColourRole::Added: return "\x1b[32m";    // green
    case ColourRole::Removed: return "\x1b[31m";  // red
    }
    return {};
}

bool isStructure(char c)
{
    return c == '{' || c == '}' || c == '[' || c == ']' || c == ',' || c == ':' || c == ' ' || c == '\n' ||
           c == '\t' || c == '\r';
}

} // namespace

bool coloursOutput(ColorChoice choice)
{
    if (choice != ColorChoice::Auto)
        return choice == ColorChoice::Always;
    const char* noColour = std::getenv("NO_COLOR");
    if (noColour && *noColour)
        return false;
    return isatty(STDOUT_FILENO) == 1;
}

void appendColoured(std::string& out, std::string_view text, ColourRole role)
{
    out += colourOf(role);
    out += text;
    out += kReset;
}

ColourRole roleOfScalar(std::string_view text)
{
    if (!text.empty() && (text.front() == '"' || text.front() == '\''))
        return ColourRole::String;
    if (!text.empty() && (text.front() == '-' || (text.front() >= '0' && text.front() <= '9')))
        return ColourRole::Number;
    return ColourRole::Literal;
}

void appendColouredCaption(std::string& out, std::string_view caption, std::size_t nameLength, bool scalar)
{
    const bool split = scalar && nameLength < caption.size() && caption[nameLength] == ':';
    const std::string_view name = split ? caption.substr(0, nameLength) : scalar ? std::string_view() : caption;
    std::string part;
    if (!name.empty()) {
        appendEscaped(part, name);
        appendColoured(out, part, ColourRole::Name);
    }
    if (split) {
        out.push_back(':');
        part.clear();
        const std::string_view value = caption.substr(nameLength + 1);
        appendEscaped(part, value);
        appendColoured(out, part, roleOfScalar(value));
    } else if (scalar) {
        appendEscaped(out, caption);
    }
}

void appendColouredValue(std::string& out, std::string_view shown, std::string_view raw)
{
    std::string part;
    appendEscaped(part, shown);
    const bool container = !raw.empty() && (raw.front() == '{' || raw.front() == '[');
    if (container || raw.empty())
        out += part;
    else
        appendColoured(out, part, roleOfScalar(raw));
}

void JsonColourer::start(std::string& out, char c)
{
    if (c == '"') {
        out += colourOf(m_expectName ? ColourRole::Name : ColourRole::String);
        m_token = Token::String;
    } else {
        out += colourOf(c == '-' || (c >= '0' && c <= '9') ? ColourRole::Number : ColourRole::Literal);
        m_token = Token::Bare;
    }
}

void JsonColourer::append(std::string& out, std::string_view json)
{
    for (std::size_t i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (m_token == Token::String) {
            out.push_back(c);
            if (m_escape)
                m_escape = false;
            else if (c == '\\')
                m_escape = true;
            else if (c == '"') {
                out += kReset;
                m_token = Token::None;
            }
            continue;
        }
        if (m_token == Token::Bare) {
            if (!isStructure(c)) {
                out.push_back(c);
                continue;
            }
            out += kReset;
            m_token = Token::None;
        }
        switch (c) {
        case '{':
            m_containers.push_back('{');
            m_expectName = true;
            break;
        case '[':
            m_containers.push_back('[');
            m_expectName = false;
            break;
        case '}':
        case ']':
            if (!m_containers.empty())
                m_containers.pop_back();
            m_expectName = false;
            break;
        case ',':
            m_expectName = !m_containers.empty() && m_containers.back() == '{';
            break;
        case ':':
            m_expectName = false;
            break;
        case ' ': case '\n': case '\t': case '\r':
            break;
        default:
            start(out, c);
            out.push_back(c);
            continue;
        }
        out.push_back(c);
    }
    if (m_token == Token::Bare) {
        // A bare value may go on in the next piece; closing its colour here is harmless.
        out += kReset;
        m_token = Token::None;
    }
}

} // namespace tess::cli
