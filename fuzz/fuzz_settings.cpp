// Opens arbitrary bytes as a settings file and runs reads and writes on it. After every
// write the file on disk must equal the store's image, and a write that reports done
// must read back.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/Codec.h"
#include "platform/MessagePump.h"
#include "settings/SettingsMessages.h"
#include "settings/SettingsStore.h"
#include "settings/SyncControls.h"

namespace {

tess::SettingsStore* g_store = nullptr;
int g_nestedBudget = 0;
const char kNestedKey[] = "\x01nested";

// An event in the middle of a write that writes again (queued behind the running one).
void pumpWithNestedWrite()
{
    if (g_store && g_nestedBudget > 0 && g_store->busy()) {
        --g_nestedBudget;
        g_store->writeItem("s", kNestedKey, "n", false);
    }
}

const std::string& folder()
{
    static std::string dir = [] {
        char pattern[] = "/tmp/fuzz-settings-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (!made)
            abort();
        return std::string(made);
    }();
    return dir;
}

std::string readWhole(const std::string& path)
{
    std::string out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return out;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    std::fclose(f);
    return out;
}

void writeWhole(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        abort();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::string pickName(FuzzedDataProvider& in, const std::vector<std::string>& vocabulary)
{
    std::size_t i = in.ConsumeIntegralInRange<std::size_t>(0, vocabulary.size());
    if (i < vocabulary.size())
        return vocabulary[i];
    return in.ConsumeRandomLengthString(16);
}

void checkFile(const tess::SettingsStore& store, const std::string& path)
{
    if (store.holdsFile() && readWhole(path) != store.image()) {
        std::fprintf(stderr, "file on disk differs from the image\n");
        abort();
    }
}

// One write changes one value, inserts a line or appends a header: what it removes from
// the old image holds no line end, so no other line is lost or joined to another.
void checkNothingElseDropped(const std::string& before, const std::string& after)
{
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const std::string removed = before.substr(prefix, before.size() - prefix - suffix);
    if (removed.find_first_of("\r\n") != std::string::npos) {
        std::fprintf(stderr, "a write removed a line end\n");
        abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::vector<std::string> sections = {"s", std::string(tess::codec::gb(u8"JSON树")), "", "t", "s]"};
    static const std::vector<std::string> keys = {"a", "b", "k", std::string(tess::codec::gb(u8"选择夹")), "", "a="};
    static bool hooked = [] {
        tess::setSettingsMessageHook([](const tess::SettingsMessage&) {});
        return true;
    }();
    (void)hooked;

    FuzzedDataProvider in(data, size);
    const std::string path = folder() + "/Tessarine.ini";
    std::string content = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<std::size_t>(0, in.remaining_bytes()));
    writeWhole(path, content);

    tess::SettingsStore store;
    if (!store.open(path) || store.image() != content)
        abort();
    g_store = &store;
    tess::PumpHook previous = tess::setPumpHook(&pumpWithNestedWrite);

    for (int step = 0; step < 64 && in.remaining_bytes() > 0; ++step) {
        std::string section = pickName(in, sections);
        std::string key = pickName(in, keys);
        store.setSection(section);
        switch (in.ConsumeIntegralInRange(0, 7)) {
        case 0:
            (void)store.readItem(section, key, "d", in.ConsumeBool());
            break;
        case 1:
            (void)store.readText(key, "d");
            (void)store.readNumber(key, 1.5);
            (void)store.readBool(key, true);
            break;
        case 2: {
            std::string value = in.ConsumeRandomLengthString(32);
            g_nestedBudget = in.ConsumeIntegralInRange(0, 2);
            const int budget = g_nestedBudget;
            bool direct = in.ConsumeBool();
            const std::string before = store.image();
            const auto status = store.writeItem(section, key, value, direct);
            checkFile(store, path);
            if (g_nestedBudget == budget) // no write ran inside this one
                checkNothingElseDropped(before, store.image());
            if (status == tess::SettingsStore::WriteStatus::Done && key != kNestedKey &&
                store.readItem(section, key, "", false) != value) {
                std::fprintf(stderr, "written value does not read back\n");
                abort();
            }
            break;
        }
        case 3:
            (void)store.writeText(key, in.ConsumeRandomLengthString(32));
            checkFile(store, path);
            break;
        case 4:
            (void)store.writeNumber(key, in.ConsumeFloatingPoint<double>());
            checkFile(store, path);
            break;
        case 5:
            (void)store.writeBool(key, in.ConsumeBool());
            checkFile(store, path);
            break;
        case 6: {
            std::size_t limit = store.image().size() + 2;
            std::size_t from = in.ConsumeIntegralInRange<std::size_t>(0, limit);
            std::size_t to = in.ConsumeIntegralInRange<std::size_t>(0, limit);
            long long a = store.findHeaderBetween(from, to);
            if (a != -1 && (a < 0 || static_cast<std::size_t>(a) >= store.image().size() || store.image()[a] != '['))
                abort();
            break;
        }
        case 7: {
            // A save and a restore of a few controls in the current section.
            std::vector<tess::ControlState> controls(2);
            controls[0].name = std::string(tess::codec::gb(u8"选择框")) + key;
            controls[0].kind = tess::ControlKind::CheckBox;
            controls[0].checked = in.ConsumeBool();
            controls[1].name = std::string(tess::codec::gb(u8"编辑框")) + key;
            controls[1].kind = tess::ControlKind::EditBox;
            controls[1].text = in.ConsumeRandomLengthString(16);
            tess::syncControls(store, controls, in.ConsumeBool(), section);
            checkFile(store, path);
            break;
        }
        }
    }
    checkFile(store, path);
    tess::setPumpHook(previous);
    g_store = nullptr;
    return 0;
}
