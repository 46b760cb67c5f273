// Writes the GB18030 tables, built from iconv, as a C++ source file that is compiled into
// the program, so that no process builds them when it starts. Run by the build; fails
// (and writes nothing) when iconv cannot convert GB18030.
#include "platform/Gb18030Tables.h"
#include "platform/Iconv.h"

#include <cstdio>
#include <string>

namespace {

using namespace tess::gb18030;

template <typename T>
void writeArray(std::FILE* f, const char* type, const char* name, const T* values, std::size_t count)
{
    std::fprintf(f, "const %s %s[%zu] = {", type, name, count);
    for (std::size_t i = 0; i < count; ++i)
        std::fprintf(f, "%s0x%lx,", i % 12 == 0 ? "\n" : "", static_cast<unsigned long>(values[i]));
    std::fprintf(f, "\n};\n");
}

bool writeTables(const Mapping& m, std::FILE* f)
{
    std::fprintf(f, "// Made by Gb18030TableWriter from iconv's GB18030 at build time.\n"
                    "#include \"platform/Gb18030Tables.h\"\n\nnamespace tess::gb18030 {\nnamespace {\n");
    writeArray(f, "char32_t", "twoByte", m.twoByte, kTwoByteCount);
    writeArray(f, "char32_t", "fourByte", m.fourByte, kFourByteBmpCount);
    writeArray(f, "std::uint16_t", "fromBmp", m.fromBmp, 0x10000);
    writeArray(f, "std::uint32_t", "bmpCodes", m.bmpCodes, 0x10000);
    writeArray(f, "std::uint32_t", "twoByteUtf8", m.twoByteUtf8, kTwoByteCount);
    // One entry more than there are, so that the array is never empty.
    std::fprintf(f, "const EncodeException exceptions[%zu] = {\n", m.exceptionCount + 1);
    for (std::size_t i = 0; i < m.exceptionCount; ++i) {
        const EncodeException& e = m.exceptions[i];
        std::fprintf(f, "{0x%lx, %u, {0x%x, 0x%x, 0x%x, 0x%x}},\n", static_cast<unsigned long>(e.codePoint),
            static_cast<unsigned>(e.length), e.bytes[0], e.bytes[1], e.bytes[2], e.bytes[3]);
    }
    std::fprintf(f, "{0x110000, 0, {0, 0, 0, 0}},\n};\n");
    std::fprintf(f, "} // namespace\n\nextern const Mapping compiledMapping;\n"
                    "const Mapping compiledMapping = {twoByte, fourByte, fromBmp, bmpCodes, twoByteUtf8, exceptions, %zuu, 0x%lx};\n\n"
                    "} // namespace tess::gb18030\n",
        m.exceptionCount, static_cast<unsigned long>(m.firstSupplementaryException));
    return std::ferror(f) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.cpp\n", argv[0]);
        return 2;
    }
    if (!tess::Iconv("UTF-32LE", "GB18030").ok() || !tess::Iconv("GB18030", "UTF-32LE").ok()) {
        std::fprintf(stderr, "%s: iconv cannot convert GB18030 on this machine; the program's tables are made from it\n",
            argv[0]);
        return 1;
    }
    const auto m = buildMapping("GB18030", stderr);
    const std::string temporary = std::string(argv[1]) + ".part";
    std::FILE* f = std::fopen(temporary.c_str(), "w");
    if (!f) {
        std::perror(temporary.c_str());
        return 1;
    }
    const bool written = writeTables(*m, f);
    if (std::fclose(f) != 0 || !written || std::rename(temporary.c_str(), argv[1]) != 0) {
        std::perror(argv[1]);
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}
