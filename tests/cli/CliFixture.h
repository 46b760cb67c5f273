#pragma once
// Runs the program as a separate process in a fresh folder and collects what it wrote.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace tess::test {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string slurp(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() /
                ("tess_cli_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::filesystem::path file(const std::string& name, const std::string& bytes)
    {
        const std::filesystem::path p = m_dir / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }

    // Runs the binary with the given arguments (already quoted) and standard input;
    // prefix goes in front of the command (an environment change, a time limit).
    Outcome run(const std::string& args, const std::string& input = "", const std::string& prefix = "")
    {
        const std::filesystem::path in = file("stdin.bin", input);
        const std::filesystem::path out = m_dir / "stdout.bin";
        const std::filesystem::path err = m_dir / "stderr.bin";
        const std::string cmd = prefix + " '" + TESS_BINARY + "' " + args + " < '" + in.string() + "' > '" +
                                out.string() + "' 2> '" + err.string() + "'";
        const int raw = std::system(cmd.c_str());
        Outcome r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(out);
        r.err = slurp(err);
        return r;
    }

    std::filesystem::path m_dir;
};

} // namespace tess::test
