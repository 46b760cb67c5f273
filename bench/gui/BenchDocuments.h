#pragma once
// The documents the window benchmarks paste, generated with fixed seeds: a 1,000,000-number
// array, an API-style response, and one of the same shape whose strings hold escaped quotes
// and backslashes (JSON inside a string, Windows paths) in about 2.5 % of all strings.
#include <cstdint>
#include <random>
#include <string>

namespace tess::benchdocs {

// One of the words the documents' strings are made of (a few of them Chinese).
inline std::string randomWord(std::mt19937& rng)
{
    static const char* const kWords[] = {"alpha", "beta", "gamma", "delta", "epsilon", "zeta", "theta", "kappa",
                                         "lambda", "sigma", "omega", "中文", "数据", "节点"};
    return kWords[rng() % 14];
}

inline std::string numberArray(std::size_t count)
{
    std::mt19937_64 rng(20240611);
    std::uniform_int_distribution<int64_t> dist(-1000000, 1000000);
    std::string s = "[";
    s.reserve(count * 9);
    for (std::size_t i = 0; i < count; ++i) {
        if (i)
            s += ',';
        s += std::to_string(dist(rng));
    }
    s += ']';
    return s;
}

inline std::string apiDocument(std::size_t targetBytes)
{
    std::mt19937 rng(7);
    auto word = [&] { return randomWord(rng); };
    std::string s = "{\"status\":\"ok\",\"code\":200,\"message\":\"success\",\"data\":{\"total\":0,\"items\":[";
    s.reserve(targetBytes + 4096);
    for (int id = 1; s.size() < targetBytes; ++id) {
        if (id > 1)
            s += ',';
        s += "{\"id\":" + std::to_string(id) + ",\"name\":\"" + word() + " " + word() + "\",\"email\":\"user" +
             std::to_string(id) + "@example.com\",\"active\":" + (rng() % 2 ? "true" : "false") +
             ",\"score\":" + std::to_string(rng() % 10000) + "." + std::to_string(rng() % 100) +
             ",\"tags\":[\"" + word() + "\",\"" + word() + "\",\"" + word() + "\"],\"profile\":{\"city\":\"" +
             word() + "\",\"zip\":\"" + std::to_string(10000 + rng() % 89999) +
             "\",\"bio\":\"line one\\nline \\\"two\\\" \\u4e2d\",\"links\":{\"home\":\"https://example.com/u/" +
             std::to_string(id) + "\",\"avatar\":null}},\"history\":[" + std::to_string(rng() % 100) + "," +
             std::to_string(rng() % 100) + "," + std::to_string(rng() % 100) + "]}";
    }
    s += "]}}";
    return s;
}

// withEscapes false writes the same records with the JSON inside a string and the paths
// spelled without backslashes: a document that preparing leaves as it is.
inline std::string escapedDocument(std::size_t targetBytes, bool withEscapes = true)
{
    std::mt19937 rng(20261207);
    auto word = [&] { return randomWord(rng); };
    std::string s = "{\"status\":\"ok\",\"code\":200,\"data\":{\"items\":[";
    s.reserve(targetBytes + 4096);
    for (int id = 1; s.size() < targetBytes; ++id) {
        if (id > 1)
            s += ',';
        const std::string n = std::to_string(id);
        s += "{\"id\":" + n + ",\"name\":\"" + word() + " " + word() + "\",\"email\":\"user" + n +
             "@example.com\",\"active\":" + (rng() % 2 ? "true" : "false") + ",\"score\":" +
             std::to_string(rng() % 10000) + ",\"tags\":[\"" + word() + "\",\"" + word() + "\",\"" + word() +
             "\"],\"profile\":{\"city\":\"" + word() + "\",\"zip\":\"" + std::to_string(10000 + rng() % 89999) +
             "\",\"bio\":\"" + word() + " " + word() + " " + word() + "\",\"home\":\"https://example.com/u/" + n + "\"}";
        const std::string q = withEscapes ? "\\\"" : "'";
        const std::string slash = withEscapes ? "\\\\" : "/";
        if (id % 3 == 0) // JSON inside a string
            s += ",\"payload\":\"{" + q + "op" + q + ":" + q + word() + q + "," + q + "args" + q + ":[" + n + "," + q +
                 word() + q + "]}\"";
        if (id % 4 == 0) // a Windows path
            s += ",\"file\":\"C:" + slash + "Users" + slash + word() + slash + "data" + slash + n + ".json\"";
        s += ",\"history\":[" + std::to_string(rng() % 100) + "," + std::to_string(rng() % 100) + "]}";
    }
    s += "]}}";
    return s;
}

} // namespace tess::benchdocs
