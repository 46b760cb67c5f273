// --check: standard JSON, or its first error.
#include "cli/StandardModes.h"
#include "json/big/MappedFile.h"
#include "json/big/StrictCheck.h"
#include "platform/Codec.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace tess::cli {

// The status of an input that is not standard JSON, as jq gives for a parse error.
constexpr int kNotStandard = 4;

int runCheck(const Options& o, const std::string* engineText)
{
    const bool stdinInput = !engineText && (!o.file || *o.file == "-");
    const std::string name = engineText ? o.url : stdinInput ? std::string("standard input") : *o.file;
    std::string held; // a fetched text or a pipe, read whole
    big::MappedFile file;
    std::string error;
    std::string_view bytes;
    if (engineText) {
        held = codec::gb18030ToUtf8(*engineText).text;
        bytes = held;
    } else if (!stdinInput) {
        if (!file.open(*o.file, error)) {
            std::fprintf(stderr, "tessarine: %s\n", error.c_str());
            return 2;
        }
        file.adviseSequential(true);
        bytes = file.bytes();
    } else {
        struct stat st {};
        if (fstat(STDIN_FILENO, &st) == 0 && S_ISREG(st.st_mode) && file.openDescriptor(STDIN_FILENO, error)) {
            file.adviseSequential(true);
            bytes = file.bytes();
        } else {
            char chunk[1 << 16];
            std::size_t n;
            while ((n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0)
                held.append(chunk, n);
            if (std::ferror(stdin)) {
                std::fputs("tessarine: standard input: read error\n", stderr);
                return 2;
            }
            bytes = held;
        }
    }
    const big::StrictCheck check = big::checkStrict(bytes);
    if (file.cut()) {
        std::fprintf(stderr, "tessarine: %s: the file was cut short while it was read\n", name.c_str());
        return 2;
    }
    if (!check.error)
        return 0;
    const big::StrictError& e = *check.error;
    std::fprintf(stderr, "tessarine: %s: line %llu, column %llu (byte %llu): %s\n", name.c_str(),
                 static_cast<unsigned long long>(e.line), static_cast<unsigned long long>(e.column),
                 static_cast<unsigned long long>(e.offset), e.message.c_str());
    return kNotStandard;
}

} // namespace tess::cli
