#pragma once
// The cut-off check of --stats: where a text that ends inside an unclosed value stops
// being shown. It reads the text on a second thread while the engine parses the same
// text, and keeps the text alive only until it is done, so that the engine can still let
// the input go early.
#include "json/UnclosedText.h"

#include <cstdint>
#include <future>
#include <memory>
#include <optional>
#include <string>

namespace tess::cli {

struct CutOff {
    std::optional<UnclosedValue> value;
    int64_t inputByte = 0; // the opener's offset from 0 in the input's bytes
};

// Finds the cut-off in text (engine text); converted tells that the input was converted
// to it (from UTF-8, after a byte-order mark when utf8Mark), so offsets are counted back.
CutOff findCutOff(const std::string& text, char quote, bool converted, bool utf8Mark);

// The same on a second thread.
std::future<CutOff> findCutOffLater(std::shared_ptr<const std::string> text, char quote, bool converted, bool utf8Mark);

} // namespace tess::cli
