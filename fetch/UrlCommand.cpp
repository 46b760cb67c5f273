#include "fetch/UrlCommand.h"

#include "fetch/UrlFetch.h"
#include "platform/Codec.h"

#include <vector>

namespace tess {

bool isUrlText(std::string_view clipboard)
{
    if (clipboard.size() < 4)
        return false;
    for (std::size_t i = 0; i < 4; ++i) {
        char c = clipboard[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != "http"[i])
            return false;
    }
    return true;
}

FetchEncoding encodingForModifiers(int modifiers)
{
    switch (modifiers) {
    case 1: return FetchEncoding::Utf8;
    case 4: return FetchEncoding::Ansi;
    case 2: return FetchEncoding::Raw;
    default: return FetchEncoding::Auto;
    }
}

std::string shortenMiddle(std::string_view text, int limit)
{
    if (limit < 0 || text.size() < static_cast<std::size_t>(limit))
        return std::string(text);
    const std::size_t half = static_cast<std::size_t>((limit - 3) / 2 + 1);
    // Character boundaries: a lead byte >= 0x80 takes the next byte, CR LF is one character.
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size();) {
        starts.push_back(i);
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c >= 0x80 || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) && i + 1 < text.size())
            i += 2;
        else
            i += 1;
    }
    const std::size_t chars = starts.size();
    auto offsetOf = [&](std::size_t index) { return index < chars ? starts[index] : text.size(); };

    std::size_t n = std::min(half, chars);
    while (n > 0 && offsetOf(n) > half)
        --n;
    const std::string_view head = text.substr(0, offsetOf(n));

    n = std::min(half, chars);
    while (n > 0 && text.size() - offsetOf(chars - n) > half)
        --n;
    const std::string_view tail = text.substr(offsetOf(chars - n));
    return std::string(head) + "..." + std::string(tail);
}

std::string fetchingCaption(std::string_view clipboard)
{
    return std::string(codec::gb(u8"正在读取 ")) + shortenMiddle(clipboard, 50);
}

std::string pasteButtonCaption()
{
    return std::string(codec::gb(u8"粘贴JSON数据到树（右键单击可读取网址数据）"));
}

std::string notUrlMessage()
{
    return std::string(codec::gb(u8"请先复制一个网址！程序将读取该网址处的JSON数据"));
}

std::string tooLargeMessage()
{
    return std::string(codec::gb(u8"网址处的文档太大（超过1GB），未载入。"));
}

std::string infoCaption()
{
    return std::string(codec::gb(u8"信息："));
}

FetchOutcome fetchJsonText(std::string_view clipboard, FetchEncoding encoding, const FetchOptions& options)
{
    FetchOutcome outcome;
    if (!isUrlText(clipboard)) {
        outcome.status = FetchStatus::NotUrl;
        outcome.message = notUrlMessage();
        outcome.messageCaption = infoCaption();
        return outcome;
    }
    outcome.caption = fetchingCaption(clipboard);
    UrlFetchResult fetched = fetchUrlText(clipboard, encoding, options);
    outcome.status = fetched.status;
    if (fetched.status == FetchStatus::Ok)
        outcome.text = std::move(fetched.text);
    if (fetched.status == FetchStatus::TooLarge) {
        outcome.message = tooLargeMessage();
        outcome.messageCaption = infoCaption();
    }
    return outcome;
}

} // namespace tess
