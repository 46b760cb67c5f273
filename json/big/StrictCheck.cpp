#include "json/big/StrictCheck.h"

#include "json/big/BigIndex.h"
#include "platform/Codec.h"

namespace tess::big {

StrictCheck checkStrict(std::string_view utf8, const std::function<bool(uint64_t, uint64_t)>& progress)
{
    if (utf8.starts_with("\xEF\xBB\xBF"))
        return StrictCheck{StrictError{0, 1, 1, "a byte-order mark (standard JSON has none)"}, false};
    IndexOptions options;
    // Nothing is kept: no container is ever long enough, no checkpoint ever due.
    options.bigSpan = uint64_t(1) << 62;
    options.checkpointSpan = uint64_t(1) << 62;
    options.lines = LinesMode::Never;
    options.progress = progress;
    const BigIndex index = buildIndex(utf8, options);
    StrictCheck out;
    out.cancelled = index.cancelled;
    if (index.error.present && !index.cancelled)
        out.error = StrictError{index.error.offset, index.error.line, index.error.column, index.error.message};
    return out;
}

StrictCheck checkStrictEngineText(std::string_view gb, const std::function<bool(uint64_t, uint64_t)>& progress)
{
    const codec::ConvertResult utf8 = codec::gb18030ToUtf8(gb);
    return checkStrict(utf8.text, progress);
}

} // namespace tess::big
