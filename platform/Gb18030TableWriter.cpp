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
void writeArray(std::FILE* f, const T* values, std::size_t count)
{
    std::fprintf(f, "{");
    for (std::size_t i = 0; i < count; ++i)
        std::fprintf(f, "%s0x%lx,", i % 12 == 0 ? "\n" : "", static_cast<unsigned long>(values[i]));
    std::fprintf(f, "\n},\n");
}

bool writeTables(const Mapping& m, std::FILE* f)
{
    // One object aligned to 64 KiB, whose size is therefore a multiple of it: the kernel
    // maps a file's pages in aligned windows of 64 KiB around a page that is read, so
    // reading the data next to the tables maps none of theirs.
    std::fprintf(f,
        "// Made by Gb18030TableWriter from iconv's GB18030 at build time.\n"
        "#include \"platform/Gb18030Tables.h\"\n\nnamespace tess::gb18030 {\nnamespace {\n\n"
        "struct alignas(65536) Tables {\n"
        "    char32_t twoByte[kTwoByteCount];\n"
        "    char32_t fourByte[kFourByteBmpCount];\n"
        "    std::uint16_t fromBmp[0x10000];\n"
        "    std::uint32_t bmpCodes[0x10000];\n"
        "    std::uint32_t twoByteUtf8[kTwoByteCount];\n"
        "    EncodeException exceptions[%zu];\n"
        "};\n\nconst Tables tables = {\n",
        m.exceptionCount + 1); // one entry more than there are, so that the array is never empty
    writeArray(f, m.twoByte, kTwoByteCount);
    writeArray(f, m.fourByte, kFourByteBmpCount);
    writeArray(f, m.fromBmp, 0x10000);
    writeArray(f, m.bmpCodes, 0x10000);
    writeArray(f, m.twoByteUtf8, kTwoByteCount);
    std::fprintf(f, "{\n");
    for (std::size_t i = 0; i < m.exceptionCount; ++i) {
        const EncodeException& e = m.exceptions[i];
        std::fprintf(f, "{0x%lx, %u, {0x%x, 0x%x, 0x%x, 0x%x}},\n", static_cast<unsigned long>(e.codePoint),
            static_cast<unsigned>(e.length), e.bytes[0], e.bytes[1], e.bytes[2], e.bytes[3]);
    }
    std::fprintf(f, "{0x110000, 0, {0, 0, 0, 0}},\n}};\n\n} // namespace\n\n"
                    "extern const Mapping compiledMapping;\n"
                    "const Mapping compiledMapping = {tables.twoByte, tables.fourByte, tables.fromBmp, tables.bmpCodes,\n"
                    "    tables.twoByteUtf8, tables.exceptions, %zuu, 0x%lx};\n\n"
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
