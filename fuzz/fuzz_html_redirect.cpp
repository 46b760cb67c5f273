// Fuzzes page redirect and link completion: the first line is the page URL, the rest the text.
// Link completion is checked against the step-by-step replacement over the whole text
// wherever the two must agree, and its result must stay linear in the input.
#include "fetch/PageLinks.h"
#include "tests/support/LinkCompletionReference.h"

#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string_view urlPart = newline == std::string_view::npos ? std::string_view() : input.substr(0, newline);
    const std::string_view text = newline == std::string_view::npos ? input : input.substr(newline + 1);

    std::string url(urlPart);
    const std::string target = tess::findHtmlRedirect(text, url);
    // The URL changes exactly when a target is returned, and then holds it.
    if (target.empty() ? url != urlPart : url != target)
        __builtin_trap();
    const std::string completed = tess::completeRelativeLinks(url, text);
    // At most one insertion of the URL or the base href per byte of the page.
    if (completed.size() > (text.size() + 1) * (size + 16))
        __builtin_trap();
    if (size <= 4096) {
        const tess::test::ReferenceLinks reference = tess::test::completeRelativeLinksByRescanning(url, text);
        if (reference.comparable && reference.text != completed)
            __builtin_trap();
    }
    return 0;
}
