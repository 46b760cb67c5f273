#pragma once
// The modes that read or write standard JSON: --flat, --unflat, --check, --query, --csv
// and --get PATH --json. Each lives in a file of its own (FlatMode, CheckMode, QueryMode,
// CsvMode, JsonValueMode); their output is UTF-8.
#include "cli/CliOptions.h"

#include <string>

namespace tess::cli {

bool readsStandardJson(const Options& o);

// Runs the mode on its input (engineText: a text already fetched from a URL, GB18030;
// null: the file or standard input); returns the exit status.
int runStandardMode(const Options& o, const std::string* engineText);

int runFlat(const Options& o, const std::string* engineText);
int runUnflat(const Options& o, const std::string* engineText);
int runCheck(const Options& o, const std::string* engineText);
int runQuery(const Options& o, const std::string* engineText);
int runCsv(const Options& o, const std::string* engineText);
int runJsonValue(const Options& o, const std::string* engineText);

} // namespace tess::cli
