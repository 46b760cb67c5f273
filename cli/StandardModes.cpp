#include "cli/StandardModes.h"

namespace tess::cli {

bool readsStandardJson(const Options& o)
{
    switch (o.mode) {
    case Mode::Flat:
    case Mode::Unflat:
    case Mode::Check:
    case Mode::Query:
    case Mode::Csv:
        return true;
    case Mode::Get:
        return o.json;
    default:
        return false;
    }
}

int runStandardMode(const Options& o, const std::string* engineText)
{
    switch (o.mode) {
    case Mode::Flat: return runFlat(o, engineText);
    case Mode::Unflat: return runUnflat(o, engineText);
    case Mode::Check: return runCheck(o, engineText);
    case Mode::Query: return runQuery(o, engineText);
    case Mode::Csv: return runCsv(o, engineText);
    default: return runJsonValue(o, engineText);
    }
}

} // namespace tess::cli
