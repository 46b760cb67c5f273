// Writes the big-document benchmark files (seeded, the same bytes on every run):
//   geojson FILE [MB]  a FeatureCollection of polygons of coordinate pairs, about 168 MB and
//                  25 M numbers by default (a map of countries as data packages ship it)
//   api FILE [MB]  an API-style response: {"data":{"items":[...],"cursor":...},"meta":...},
//                  1 GB by default (about 2.2 M records)
//   lines FILE [N] JSON Lines: N log records (2,000,000 by default), about 1 GB
//   map FILE [MB]  a map of about 250 countries as MultiPolygons of rings, about 168 MB by
//                  default; country 71 (features.[71], counted from 1) holds about 1.5 M
//                  coordinate pairs in many islands, as a large country with its coasts does
//   numbers FILE [N] {"values":[N numbers],"after":true}, 12,000,000 numbers by default
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Rng {
    uint64_t s = 0x9E3779B97F4A7C15ull;
    uint64_t next()
    {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return s;
    }
    uint64_t below(uint64_t n) { return next() % n; }
};

class Out {
public:
    explicit Out(const char* path) : m_f(std::fopen(path, "wb")) {}
    ~Out()
    {
        flush();
        if (m_f)
            std::fclose(m_f);
    }
    bool ok() const { return m_f != nullptr; }
    void put(const std::string& s) { put(s.data(), s.size()); }
    void put(const char* s) { put(s, std::strlen(s)); }
    void put(const char* s, std::size_t n)
    {
        m_buf.append(s, n);
        m_written += n;
        if (m_buf.size() >= (1 << 20))
            flush();
    }
    void put(char c) { put(&c, 1); }
    void flush()
    {
        if (m_f && !m_buf.empty())
            std::fwrite(m_buf.data(), 1, m_buf.size(), m_f);
        m_buf.clear();
    }
    uint64_t written() const { return m_written; }

private:
    std::FILE* m_f;
    std::string m_buf;
    uint64_t m_written = 0;
};

const char* const kWords[] = {"alpha", "river", "north", "stone", "field", "cloud", "harbor", "maple", "delta", "ember",
                              "grove", "summit", "valley", "prairie", "canyon", "island", "meadow", "forest", "lake", "coast"};
const char* const kCjk[] = {"北京", "上海", "广州", "深圳", "杭州", "成都", "数据", "用户", "订单", "地址"};

std::string word(Rng& r)
{
    return kWords[r.below(20)];
}

// A coordinate such as -73.98 or 4.5: one to three digits, one to three decimals.
void coordinate(Out& o, Rng& r, int maxInt)
{
    char b[32];
    const int decimals = 1 + static_cast<int>(r.below(2));
    const int n = std::snprintf(b, sizeof b, "%s%d.%0*d", r.below(2) ? "-" : "", static_cast<int>(r.below(maxInt)), decimals,
                                static_cast<int>(r.below(decimals == 1 ? 10 : 100)));
    o.put(b, static_cast<std::size_t>(n));
}

void geojson(Out& o, uint64_t megabytes)
{
    Rng r;
    const uint64_t target = megabytes * 1'000'000;
    uint64_t numbers = 0;
    o.put("{\"type\":\"FeatureCollection\",\"features\":[");
    for (int f = 0; o.written() < target; ++f) {
        if (f)
            o.put(',');
        o.put("{\"type\":\"Feature\",\"properties\":{\"name\":\"" + word(r) + " " + word(r) + "\",\"iso_a3\":\"C" +
              std::to_string(f) + "\",\"pop_est\":" + std::to_string(r.below(100000000)) +
              "},\"geometry\":{\"type\":\"MultiPolygon\",\"coordinates\":[");
        const int polygons = 1 + static_cast<int>(r.below(8));
        for (int p = 0; p < polygons; ++p) {
            o.put(p ? ",[[" : "[[");
            const int pairs = 200 + static_cast<int>(r.below(6000));
            for (int k = 0; k < pairs; ++k) {
                o.put(k ? ",[" : "[");
                coordinate(o, r, 100);
                o.put(',');
                coordinate(o, r, 90);
                o.put(']');
                numbers += 2;
            }
            o.put("]]");
        }
        o.put("]}}");
    }
    o.put("]}\n");
    std::fprintf(stderr, "geojson: %llu bytes, %llu coordinate numbers\n", static_cast<unsigned long long>(o.written()),
                 static_cast<unsigned long long>(numbers));
}

// One record of an API response or a log: nested object, strings with escapes and CJK.
void record(Out& o, Rng& r, uint64_t id)
{
    o.put("{\"id\":" + std::to_string(id) + ",\"name\":\"" + word(r) + " " + word(r) + "\",\"email\":\"" + word(r) +
          std::to_string(r.below(1000)) + "@example.com\",\"active\":" + (r.below(2) ? "true" : "false") +
          ",\"score\":" + std::to_string(r.below(100000) / 100.0) + ",\"tags\":[\"" + word(r) + "\",\"" + word(r) +
          "\",\"" + word(r) + "\"],\"address\":{\"city\":\"" + kCjk[r.below(6)] + "\",\"street\":\"" + word(r) +
          " road " + std::to_string(r.below(999)) + "\",\"zip\":\"" + std::to_string(100000 + r.below(899999)) +
          "\",\"geo\":{\"lat\":" + std::to_string(r.below(180000) / 1000.0 - 90) + ",\"lng\":" +
          std::to_string(r.below(360000) / 1000.0 - 180) + "}},\"note\":\"" + kCjk[6 + r.below(4)] +
          " \\\"quoted\\\" \\u4e2d\\u6587 " + word(r) + " " + word(r) + " " + word(r) + "\",\"history\":[");
    const int events = static_cast<int>(r.below(4));
    for (int e = 0; e < events; ++e)
        o.put(std::string(e ? "," : "") + "{\"at\":\"2024-0" + std::to_string(1 + r.below(9)) + "-1" +
              std::to_string(r.below(10)) + "T10:00:00Z\",\"event\":\"" + word(r) + "\",\"amount\":" +
              std::to_string(r.below(1000000)) + "}");
    o.put("],\"parent\":null}");
}

void api(Out& o, uint64_t megabytes)
{
    Rng r;
    const uint64_t target = megabytes * 1'000'000;
    o.put("{\"status\":\"ok\",\"data\":{\"total\":0,\"items\":[\n");
    uint64_t id = 0;
    for (; o.written() < target; ++id) {
        if (id)
            o.put(",\n");
        record(o, r, id);
    }
    o.put("\n],\"cursor\":\"next-page\"},\"meta\":{\"generated\":\"2024-01-01\",\"last\":\"needle-at-the-end\"}}\n");
    std::fprintf(stderr, "api: %llu bytes, %llu records\n", static_cast<unsigned long long>(o.written()),
                 static_cast<unsigned long long>(id));
}

void lines(Out& o, uint64_t count)
{
    Rng r;
    for (uint64_t id = 0; id < count; ++id) {
        o.put("{\"seq\":" + std::to_string(id) + ",\"level\":\"" + (r.below(10) ? "info" : "error") +
              "\",\"service\":\"" + word(r) + "-" + word(r) + "\",\"trace\":\"" + std::to_string(r.next()) +
              "\",\"record\":");
        record(o, r, id);
        o.put("}\n");
    }
    std::fprintf(stderr, "lines: %llu bytes, %llu records\n", static_cast<unsigned long long>(o.written()),
                 static_cast<unsigned long long>(count));
}

// One ring of pairs: a closed line of coordinates.
void ring(Out& o, Rng& r, int pairs, uint64_t& numbers)
{
    o.put('[');
    for (int k = 0; k < pairs; ++k) {
        o.put(k ? ",[" : "[");
        coordinate(o, r, 180);
        o.put(',');
        coordinate(o, r, 90);
        o.put(']');
    }
    o.put(']');
    numbers += 2 * static_cast<uint64_t>(pairs);
}

void map(Out& o, uint64_t megabytes)
{
    Rng r;
    const uint64_t target = megabytes * 1'000'000;
    uint64_t numbers = 0;
    int features = 0;
    o.put("{\"type\":\"FeatureCollection\",\"features\":[");
    for (int f = 0; o.written() < target; ++f, ++features) {
        if (f)
            o.put(',');
        o.put("{\"type\":\"Feature\",\"properties\":{\"name\":\"" + word(r) + " " + word(r) + "\",\"iso_a3\":\"C" +
              std::to_string(f) + "\",\"pop_est\":" + std::to_string(r.below(100000000)) +
              "},\"geometry\":{\"type\":\"MultiPolygon\",\"coordinates\":[");
        // Country 71 is the large one: about 1.5 M pairs in 600 polygons.
        const bool large = f == 70;
        const int polygons = large ? 600 : 1 + static_cast<int>(r.below(40));
        for (int p = 0; p < polygons; ++p) {
            o.put(p ? ",[" : "[");
            // an outer ring and now and then a hole or two
            const int rings = 1 + (r.below(4) == 0 ? 1 + static_cast<int>(r.below(2)) : 0);
            for (int k = 0; k < rings; ++k) {
                if (k)
                    o.put(',');
                const int pairs = large ? 1500 + static_cast<int>(r.below(1000)) / (k + 1)
                                        : 50 + static_cast<int>(r.below(k ? 400 : 3000));
                ring(o, r, pairs, numbers);
            }
            o.put(']');
        }
        o.put("]}}");
    }
    o.put("]}\n");
    std::fprintf(stderr, "map: %llu bytes, %d countries, %llu coordinate numbers\n",
                 static_cast<unsigned long long>(o.written()), features, static_cast<unsigned long long>(numbers));
}

void numbersArray(Out& o, uint64_t count)
{
    Rng r;
    o.put("{\"values\":[");
    for (uint64_t k = 0; k < count; ++k) {
        if (k)
            o.put(',');
        o.put(std::to_string(r.below(1000000)));
    }
    o.put("],\"after\":true}\n");
    std::fprintf(stderr, "numbers: %llu bytes, %llu numbers\n", static_cast<unsigned long long>(o.written()),
                 static_cast<unsigned long long>(count));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: tess_bigdoc geojson|api|lines|map|numbers FILE [MB|COUNT]\n");
        return 2;
    }
    Out o(argv[2]);
    if (!o.ok()) {
        std::perror(argv[2]);
        return 2;
    }
    const std::string kind = argv[1];
    if (kind == "geojson")
        geojson(o, argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 168);
    else if (kind == "api")
        api(o, argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1000);
    else if (kind == "lines")
        lines(o, argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 2'000'000);
    else if (kind == "map")
        map(o, argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 168);
    else if (kind == "numbers")
        numbersArray(o, argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 12'000'000);
    else
        return 2;
    return 0;
}
