#include "ShapeGenerator.h"

#include <cstdio>
#include <random>

namespace tess::bench {
namespace {

const char* const kSurnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "欧阳", "司马"};
const char* const kGiven[] = {"伟", "芳", "娜", "秀英", "敏", "静", "丽", "强", "磊", "军", "洋", "艳", "勇", "杰"};
const char* const kCities[] = {"北京市", "上海市", "广州市", "深圳市", "杭州市", "成都市", "武汉市", "西安市"};
const char* const kStreets[] = {"人民路", "解放大道", "中山北路", "建设街", "和平里", "长安街", "滨江东路"};
const char* const kGoods[] = {"无线耳机", "机械键盘", "保温杯", "运动鞋", "笔记本电脑", "台灯", "茶叶礼盒", "充电宝"};
const char* const kStatus[] = {"已付款", "已发货", "已签收", "退款中", "已取消"};
const char* const kEscaped[] = {"\\u5907\\u6ce8", "\\u00e9t\\u00e9", "\\u2605\\u2605\\u2605", "\\u0041\\u0042\\u0043"};

// Writes members and elements with the layout's line breaks, indentation and colons.
class PrettyWriter {
public:
    PrettyWriter(std::string& out, const Layout& layout) : m_out(out), m_layout(layout) {}
    void open(char c)
    {
        m_out.push_back(c);
        ++m_depth;
        m_first = true;
    }
    void close(char c)
    {
        --m_depth;
        if (!m_first)
            newline();
        m_out.push_back(c);
        m_first = false;
    }
    void key(const std::string& k)
    {
        item();
        m_out += '"';
        m_out += k;
        m_out += '"';
        m_out += m_layout.colon;
    }
    void item()
    {
        if (!m_first)
            m_out.push_back(',');
        m_first = false;
        newline();
    }
    void string(const std::string& s)
    {
        m_out += '"';
        m_out += s;
        m_out += '"';
    }
    std::string& out() { return m_out; }

private:
    void newline()
    {
        m_out += m_layout.newline;
        for (int i = 0; i < m_depth; ++i)
            m_out += m_layout.indent;
    }
    std::string& m_out;
    const Layout& m_layout;
    int m_depth = 0;
    bool m_first = true;
};

std::string money(std::mt19937& rng)
{
    char b[32];
    std::snprintf(b, sizeof b, "%u.%02u", static_cast<unsigned>(rng() % 5000), static_cast<unsigned>(rng() % 100));
    return b;
}

} // namespace

Layout compactLayout()
{
    return Layout{"", "", ":"};
}

std::string recordsDocument(std::size_t records, uint32_t seed, const Layout& layout)
{
    std::mt19937 rng(seed);
    const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    std::string out;
    out.reserve(records * 400);
    PrettyWriter w(out, layout);
    w.open('{');
    w.key("总数");
    out += "0";
    w.key("客户");
    w.open('[');
    for (uint64_t id = 1; id <= records; ++id) {
        w.item();
        w.open('{');
        w.key("编号");
        out += std::to_string(100000 + id);
        w.key("姓名");
        w.string(std::string(kSurnames[pick(12)]) + kGiven[pick(14)] + (pick(2) ? kGiven[pick(14)] : ""));
        w.key("备注");
        w.string(std::string(kEscaped[pick(4)]) + " " + kGoods[pick(8)]);
        w.key("会员");
        out += pick(3) ? "true" : "false";
        w.key("推荐人");
        out += "null";
        w.key("地址");
        w.open('{');
        w.key("城市");
        w.string(kCities[pick(8)]);
        w.key("街道");
        w.string(std::string(kStreets[pick(7)]) + std::to_string(1 + pick(300)) + "号");
        w.key("邮编");
        w.string(std::to_string(100000 + pick(800000)));
        w.close('}');
        w.key("订单");
        w.open('[');
        for (std::size_t o = 0, n = 1 + pick(3); o < n; ++o) {
            w.item();
            w.open('{');
            w.key("商品");
            w.string(kGoods[pick(8)]);
            w.key("数量");
            out += std::to_string(1 + pick(5));
            w.key("金额");
            out += money(rng);
            w.key("状态");
            w.string(kStatus[pick(5)]);
            w.close('}');
        }
        w.close(']');
        w.close('}');
    }
    w.close(']');
    w.close('}');
    return out;
}

std::string coordinatesDocument(std::size_t numbers, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::string out;
    out.reserve(numbers * 7 + 4096);
    out += "{\"type\":\"FeatureCollection\",\"features\":[";
    std::size_t written = 0;
    char b[32];
    for (int f = 0; written < numbers; ++f) {
        if (f)
            out += ',';
        out += "{\"type\":\"Feature\",\"properties\":{\"name\":\"region " + std::to_string(f) + "\",\"pop_est\":" +
               std::to_string(rng() % 100000000) + "},\"geometry\":{\"type\":\"MultiPolygon\",\"coordinates\":[";
        for (std::size_t p = 0, polygons = 1 + rng() % 6; p < polygons; ++p) {
            out += p ? ",[[" : "[[";
            for (std::size_t k = 0, pairs = 100 + rng() % 3000; k < pairs; ++k) {
                const unsigned d = rng();
                const int n = std::snprintf(b, sizeof b, "%s[%s%u.%u,%s%u.%02u]", k ? "," : "", d & 1 ? "-" : "", d % 180,
                                            (d >> 8) % 10, d & 2 ? "-" : "", (d >> 12) % 90, (d >> 20) % 100);
                out.append(b, static_cast<std::size_t>(n));
                written += 2;
            }
            out += "]]";
        }
        out += "]}}";
    }
    out += "]}";
    return out;
}

std::string laidOut(const std::string& compact, const Layout& layout)
{
    std::string out;
    out.reserve(compact.size() * 2);
    int depth = 0;
    bool inString = false;
    auto newline = [&] {
        out += layout.newline;
        for (int i = 0; i < depth; ++i)
            out += layout.indent;
    };
    for (std::size_t i = 0; i < compact.size(); ++i) {
        const char c = compact[i];
        if (inString) {
            out += c;
            if (c == '\\')
                out += compact[++i];
            else if (c == '"')
                inString = false;
            continue;
        }
        switch (c) {
        case '"':
            inString = true;
            out += c;
            break;
        case '{':
        case '[':
            out += c;
            if (i + 1 < compact.size() && (compact[i + 1] == '}' || compact[i + 1] == ']')) {
                out += compact[++i]; // an empty container stays on its line
                break;
            }
            ++depth;
            newline();
            break;
        case '}':
        case ']':
            --depth;
            newline();
            out += c;
            break;
        case ',':
            out += c;
            newline();
            break;
        case ':':
            out += layout.colon;
            break;
        default:
            out += c;
        }
    }
    return out;
}

namespace {

// Real words: a language's word for "name"-like things with its greeting.
const char* const kScripts[] = {
    "Café Zürich façade", "Łódź Świętokrzyska", "Ærøskøbing fjørd", "Москва Санкт-Петербург", "Київ Україна",
    "Αθήνα Θεσσαλονίκη", "القاهرة الإسكندرية", "ירושלים תל אביב", "नई दिल्ली मुंबई", "ঢাকা চট্টগ্রাম",
    "சென்னை மதுரை", "กรุงเทพมหานคร เชียงใหม่", "თბილისი ბათუმი", "Երևան Գյումրի", "서울특별시 부산광역시",
    "とうきょう おおさか", "トウキョウ オオサカ", "北京 上海 广州", "臺北 高雄", "𠀋𠂉𡈽 𪚲𫝀𬺰", "Hà Nội Sài Gòn",
    "İstanbul Ağrı", "ትግራይ አዲስ አበባ", "ខ្មែរ ភ្នំពេញ", "ລາວ ວຽງຈັນ", "မြန်မာ ရန်ကုန်", "ᠮᠣᠩᠭᠣᠯ ᠬᠣᠲᠠ",
    "ꦗꦮ ꦪꦺꦴꦒꦾ", "Ελληνικά Ῥόδος", "Ğğ Şş Çç Öö Üü"};
const char* const kEmoji[] = {"😀", "🎉", "🚀", "❤️", "👍🏽", "🇨🇳", "🍜", "🌏", "👨‍👩‍👧", "✨"};

} // namespace

std::string scriptsDocument(std::size_t targetBytes, uint32_t seed)
{
    std::mt19937 rng(seed);
    constexpr std::size_t kScriptCount = sizeof kScripts / sizeof kScripts[0];
    std::string out;
    out.reserve(targetBytes + 4096);
    out += "{\"languages\":[";
    for (uint64_t id = 0; out.size() < targetBytes; ++id) {
        if (id)
            out += ',';
        const std::size_t s = rng() % kScriptCount;
        out += "{\"id\":" + std::to_string(id) + ",\"name\":\"" + kScripts[s] + " " + kEmoji[rng() % 10] +
               "\",\"aliases\":[\"" + kScripts[(s + 1) % kScriptCount] + "\",\"" + kEmoji[rng() % 10] + kEmoji[rng() % 10] +
               "\"],\"text\":\"" + kScripts[rng() % kScriptCount] + " " + kScripts[rng() % kScriptCount] + " " +
               kEmoji[rng() % 10] + "\",\"rank\":" + std::to_string(rng() % 1000) + "}";
    }
    out += "]}";
    return out;
}

std::string supportTablesDocument(std::size_t targetBytes, uint32_t seed)
{
    static const char* const kEngines[] = {"desktop_a", "desktop_b", "desktop_c", "mobile_a", "mobile_b",
                                           "embedded", "server", "webview"};
    static const char* const kWords[] = {"Abort", "Buffer", "Canvas", "Device", "Event", "Fetch", "Gamepad", "Handle",
                                         "Image", "Joystick", "Keyboard", "Layout", "Media", "Node", "Observer", "Path"};
    std::mt19937 rng(seed);
    std::string out;
    out.reserve(targetBytes + 65536);
    const Layout layout{"  ", "\n", ": "};
    PrettyWriter w(out, layout);
    const auto support = [&] {
        w.key("__compat");
        w.open('{');
        w.key("support");
        w.open('{');
        for (const char* engine : kEngines) {
            w.key(engine);
            w.open('{');
            w.key("version_added");
            if (rng() % 7 == 0)
                out += rng() % 2 ? "false" : "null";
            else
                w.string(std::to_string(1 + rng() % 120) + (rng() % 5 == 0 ? ".5" : ""));
            if (rng() % 4 == 0) {
                w.key("notes");
                w.string(rng() % 2 ? "Behind a flag." : "仅在预览版中提供。");
            }
            if (rng() % 6 == 0) {
                w.key("prefix");
                w.string("x-");
            }
            w.close('}');
        }
        w.close('}');
        w.key("status");
        w.open('{');
        w.key("experimental");
        out += rng() % 5 == 0 ? "true" : "false";
        w.key("standard_track");
        out += rng() % 9 ? "true" : "false";
        w.key("deprecated");
        out += rng() % 11 == 0 ? "true" : "false";
        w.close('}');
        w.close('}');
    };
    w.open('{');
    w.key("api");
    w.open('{');
    for (uint64_t id = 0; out.size() < targetBytes; ++id) {
        w.key(std::string(kWords[rng() % 16]) + kWords[rng() % 16] + std::to_string(id));
        w.open('{');
        support();
        for (unsigned sub = rng() % 4; sub > 0; --sub) {
            w.key(std::string(kWords[rng() % 16]) + "_" + std::to_string(sub));
            w.open('{');
            support();
            w.close('}');
        }
        w.close('}');
    }
    w.close('}');
    w.close('}');
    return out;
}

std::string featureTextDocument(std::size_t targetBytes, uint32_t seed)
{
    static const char* const kWords[] = {"the", "feature", "lets", "pages", "draw", "shapes", "without", "a", "plugin",
                                         "and", "reports", "progress", "while", "it", "loads", "data", "from", "servers",
                                         "when", "users", "scroll", "quickly", "through", "long", "lists", "of", "items"};
    static const char* const kChinese[] = {"该功能", "允许页面", "在不使用插件的情况下", "绘制图形", "并报告加载进度"};
    std::mt19937 rng(seed);
    const auto paragraph = [&](std::size_t words) {
        std::string p;
        for (std::size_t i = 0; i < words; ++i) {
            if (i)
                p += ' ';
            const unsigned r = rng() % 100;
            if (r < 3)
                p += kChinese[rng() % 5];
            else if (r < 4)
                p += "\\\"quoted\\\"";
            else if (r < 5)
                p += "\\n";
            else
                p += kWords[rng() % 27];
        }
        return p;
    };
    std::string out;
    out.reserve(targetBytes + 65536);
    out += "{\"features\":[";
    for (uint64_t id = 0; out.size() < targetBytes; ++id) {
        if (id)
            out += ',';
        out += "{\"id\":\"feature-" + std::to_string(id) + "\",\"title\":\"" + paragraph(4 + rng() % 6) +
               "\",\"description\":\"" + paragraph(80 + rng() % 300) + "\",\"notes\":\"" + paragraph(20 + rng() % 60) +
               "\",\"keywords\":[\"" + kWords[rng() % 27] + "\",\"" + kWords[rng() % 27] + "\"],\"usage\":" +
               std::to_string(rng() % 10000) + "." + std::to_string(rng() % 100) + "}";
    }
    out += "]}";
    return out;
}

} // namespace tess::bench
