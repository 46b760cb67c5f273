// The jq command for a node of JSON Lines, run by jq itself on files with broken and
// empty lines, CR LF, a last line without a line feed and names with quotes.
#include "json/big/RecordJq.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace tess::big {
namespace {

std::string runShell(const std::string& command)
{
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return "(popen failed)";
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    ::pclose(pipe);
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

TEST(RecordJq, JqReachesEveryNodeOfRandomLines)
{
    if (std::system("jq --version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "jq is not installed";
    std::mt19937 random(26);
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "tess-record-jq.jsonl";
    for (int round = 0; round < 4; ++round) {
        // Records {"id":K,"it's":{"v":[K,"s K"]}} between broken and empty lines.
        std::string text;
        std::vector<int> recordLines;
        int line = 1;
        for (int k = 0; k < 12; ++k, ++line) {
            switch (random() % 5) {
            case 0:
                text += "{\"broken\":\n";
                continue;
            case 1:
                text += "\n";
                continue;
            default:
                break;
            }
            text += "{\"id\":" + std::to_string(k) + ",\"it's\":{\"v\":[" + std::to_string(k) + ",\"s " +
                    std::to_string(k) + "\"]}}";
            recordLines.push_back(line);
            text += random() % 2 ? "\r\n" : "\n";
        }
        text += "{\"id\":99,\"it's\":{\"v\":[99,\"s 99\"]}}"; // no line feed at the end
        recordLines.push_back(line);
        std::ofstream(path, std::ios::binary) << text;

        BigDocument doc;
        OpenOptions options;
        options.index.lines = LinesMode::Always;
        std::string error;
        ASSERT_TRUE(doc.open(path.string(), options, error)) << error;
        Node root;
        ASSERT_TRUE(doc.root(root));
        ASSERT_EQ(root.kind, Kind::Lines);
        for (const int recordLine : recordLines) {
            Node record;
            ASSERT_TRUE(doc.recordOnLine(static_cast<uint64_t>(recordLine), record)) << recordLine;
            Node id;
            Node named;
            Node v;
            Node second;
            ASSERT_TRUE(doc.child(record, 0, id) && doc.child(record, 1, named) && doc.child(named, 0, v) &&
                        doc.child(v, 1, second));
            const std::string k = text.substr(record.start + 6, text.find(',', record.start) - record.start - 6);
            const std::string file = " " + path.string();
            EXPECT_EQ(runShell(jqRecordCommand(doc, {root, record}) + file),
                      "{\"id\":" + k + ",\"it's\":{\"v\":[" + k + ",\"s " + k + "\"]}}");
            EXPECT_EQ(runShell(jqRecordCommand(doc, {root, record, id}) + file), k);
            EXPECT_EQ(runShell(jqRecordCommand(doc, {root, record, named, v, second}) + file), "\"s " + k + "\"");
        }
        EXPECT_EQ(jqRecordCommand(doc, {root}), "");
    }
    std::filesystem::remove(path);
}

} // namespace
} // namespace tess::big
