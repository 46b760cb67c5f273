#include "json/big/RecordJq.h"

#include "json/big/BigPaths.h"

namespace tess::big {

std::string jqRecordCommand(const BigDocument& doc, const std::vector<Node>& chain)
{
    if (chain.size() < 2 || chain[0].kind != Kind::Lines || chain[1].line == 0)
        return {};
    PathForm form;
    form.style = PathStyle::Jq;
    std::string rest;
    for (std::size_t i = 2; i < chain.size(); ++i)
        appendPathStep(rest, doc, chain[i], chain[i - 1].kind, i == 2, form);
    std::string filter = "nth(" + std::to_string(chain[1].line - 1) + "; inputs) | fromjson";
    if (!rest.empty())
        filter += " | " + rest;
    // Single quotes for the shell: a quote inside closes, escapes and reopens them.
    std::string command = "jq -cnR '";
    for (const char c : filter) {
        if (c == '\'')
            command += "'\\''";
        else
            command += c;
    }
    command += '\'';
    return command;
}

} // namespace tess::big
