#pragma once
// Temporary folders and whole-file helpers for the settings tests.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "platform/Codec.h"

namespace tess::test {

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tess-settings-XXXXXX").string();
        char* made = mkdtemp(pattern.data());
        path_ = made ? made : "";
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string file(std::string_view name) const { return path_ + "/" + std::string(name); }
    // A UTF-8 file name given as a u8 literal.
    std::string file(std::u8string_view name) const
    {
        return file(std::string_view(reinterpret_cast<const char*>(name.data()), name.size()));
    }

private:
    std::string path_;
};

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void writeFile(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string golden(std::string_view name)
{
    return readFile(std::string(TESS_SOURCE_DIR) + "/tests/settings/golden/" + std::string(name));
}

// A UTF-8 literal as GB18030 bytes.
inline std::string gb(std::u8string_view s)
{
    return std::string(codec::gb(s));
}

} // namespace tess::test
