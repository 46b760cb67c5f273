// Kills the viewer with SIGKILL at random moments while it saves, round after round, and
// checks after each kill that every data file holds its old or its new content (never a
// mix, never empty) and every key of the settings file its old or its new value.
//
//   app_crash_save [--kills N] [--seed S] [--slot-kib K]   the test (defaults 20, 1, 1024)
//   app_crash_save --viewer DIR ROUND SLOT_KIB             one viewer run (started by the test)
//
// A viewer run loads seven large texts into the slots (the round number in every
// element), selects an item in each, sets the tab, the find text and an option, reports
// on standard output that it saves ("S"), closes its window (which saves) and reports the
// time the save took ("D <microseconds>"). The test kills it after a random delay of up
// to 1.2 times the longest save it has seen complete.
#include "app/MainWindow.h"
#include "app/ProgramObjects.h"
#include "app/SlotFiles.h"
#include "platform/Codec.h"
#include "tree/widgets/TreeView.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTabWidget>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tess {
namespace {

constexpr int kSlots = 7;

std::string gb(const char8_t* s)
{
    return std::string(codec::gb(s));
}

// The text of slot n in round r: about slotKib KiB, varying with r so that old and new
// differ in length too; every element names its round and slot.
std::string slotText(int r, int n, int slotKib)
{
    const std::size_t target = static_cast<std::size_t>(slotKib) * 1024 * (8 + (r + n) % 5) / 10;
    std::string text = "[";
    for (int i = 0; text.size() < target; ++i) {
        if (i > 0)
            text += ',';
        text += "{\"r\":" + std::to_string(r) + ",\"n\":" + std::to_string(n) + ",\"i\":" + std::to_string(i) +
                ",\"s\":\"" + std::string(static_cast<std::size_t>(8 + i % 23), static_cast<char>('a' + r % 26)) + "\"}";
    }
    text += ']';
    return text;
}

// Settings keys (GB18030) a round changes, with the value it gives them.
std::map<std::string, std::string> roundSettings(int r)
{
    std::map<std::string, std::string> out;
    out[gb(u8"选择夹")] = std::to_string(r % kSlots);
    for (int n = 1; n <= kSlots; ++n) {
        std::string key = gb(u8"树型框") + (n == 1 ? std::string() : std::to_string(n)) + gb(u8".现行选中项");
        out[key] = std::to_string((r + n) % 5);
    }
    out[gb(u8"编辑框查找文本")] = "find-" + std::string(static_cast<std::size_t>(r % 40), 'x') + std::to_string(r);
    out[gb(u8"选择框文字图标")] = gb(r % 2 ? u8"真" : u8"假");
    return out;
}

int runViewer(int argc, char** argv)
{
    const std::string dir = argv[2];
    const int r = std::atoi(argv[3]);
    const int slotKib = std::atoi(argv[4]);
    QApplication app(argc, argv);
    auto objects = std::make_unique<ProgramObjects>();
    if (!objects->settings.open(dir + "/Tessarine.ini"))
        return 3;
    MainWindowSetup setup;
    setup.programDir = dir;
    MainWindow window(*objects, setup);
    window.show();
    QCoreApplication::processEvents();
    for (int n = 1; n <= kSlots; ++n) {
        // The new text replaces the slot's old one without the old file being read first.
        window.tabs()->blockSignals(true);
        window.tabs()->setCurrentIndex(n - 1);
        window.tabs()->blockSignals(false);
        window.loadTextIntoCurrentSlot(slotText(r, n, slotKib));
        window.tree(n)->selectItem((r + n) % 5);
    }
    window.tabs()->setCurrentIndex(r % kSlots);
    window.findChild<QLineEdit*>(QString::fromUtf8("编辑框查找文本"))
        ->setText(QString::fromStdString(roundSettings(r)[gb(u8"编辑框查找文本")]));
    window.findChild<QCheckBox*>(QString::fromUtf8("选择框文字图标"))->setChecked(r % 2 != 0);
    QCoreApplication::processEvents();

    std::fputs("S\n", stdout);
    std::fflush(stdout);
    const auto t0 = std::chrono::steady_clock::now();
    window.close();
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0);
    std::printf("D %lld\n", static_cast<long long>(us.count()));
    std::fflush(stdout);
    return 0;
}

std::optional<std::string> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Key -> value of the settings file's first section; every other line must be empty or a
// header. A line without "=" is reported as the key "!stray".
std::map<std::string, std::string> parseSettings(const std::string& content)
{
    std::map<std::string, std::string> out;
    std::size_t at = 0;
    while (at <= content.size()) {
        std::size_t end = content.find_first_of("\r\n", at);
        if (end == std::string::npos)
            end = content.size();
        const std::string line = content.substr(at, end - at);
        at = end + 1;
        if (line.empty() || (line.front() == '[' && line.back() == ']'))
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) {
            out["!stray"] = line;
            continue;
        }
        const std::string key = line.substr(0, eq);
        if (out.count(key))
            out["!twice"] = key;
        out[key] = line.substr(eq + 1);
    }
    return out;
}

struct State {
    std::vector<std::optional<std::string>> slotFiles; // index n - 1
    std::map<std::string, std::string> settings;
};

State readState(const std::string& dir)
{
    State s;
    for (int n = 1; n <= kSlots; ++n)
        s.slotFiles.push_back(readFile(slotFilePath(dir, n)));
    s.settings = parseSettings(readFile(dir + "/Tessarine.ini").value_or(""));
    return s;
}

struct Run {
    bool killed = false;
    bool saved = false;  // printed "D": the save finished
    long long saveUs = 0;
    int status = 0;
};

// Starts one viewer run; kills it delayUs after it reports "S" unless delayUs < 0.
Run runOnce(const std::string& self, const std::string& dir, int r, int slotKib, long long delayUs)
{
    int out[2];
    if (pipe(out) != 0)
        std::abort();
    const pid_t child = fork();
    if (child < 0)
        std::abort();
    if (child == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        const std::string round = std::to_string(r), kib = std::to_string(slotKib);
        execl(self.c_str(), self.c_str(), "--viewer", dir.c_str(), round.c_str(), kib.c_str(), nullptr);
        _exit(127);
    }
    close(out[1]);
    FILE* in = fdopen(out[0], "r");
    Run run;
    char line[128];
    bool saving = false;
    while (std::fgets(line, sizeof line, in)) {
        if (line[0] == 'S' && !saving) {
            saving = true;
            if (delayUs >= 0) {
                usleep(static_cast<useconds_t>(delayUs));
                run.killed = kill(child, SIGKILL) == 0;
            }
        } else if (line[0] == 'D') {
            run.saved = true;
            run.saveUs = std::atoll(line + 2);
        }
    }
    std::fclose(in);
    waitpid(child, &run.status, 0);
    run.killed = WIFSIGNALED(run.status) && WTERMSIG(run.status) == SIGKILL;
    return run;
}

// Checks the state after a round against the states before and after it.
std::vector<std::string> check(const State& got, const State& old, int r, int slotKib)
{
    std::vector<std::string> faults;
    for (int n = 1; n <= kSlots; ++n) {
        const std::optional<std::string>& file = got.slotFiles[static_cast<std::size_t>(n - 1)];
        if (!file || file->empty()) {
            faults.push_back("slot " + std::to_string(n) + ": missing or empty");
            continue;
        }
        if (*file != old.slotFiles[static_cast<std::size_t>(n - 1)] && *file != slotText(r, n, slotKib))
            faults.push_back("slot " + std::to_string(n) + ": neither old nor new content (" +
                             std::to_string(file->size()) + " bytes)");
    }
    const std::map<std::string, std::string> changed = roundSettings(r);
    std::map<std::string, bool> keys;
    for (const auto& [k, v] : got.settings)
        keys[k] = true;
    for (const auto& [k, v] : old.settings)
        keys[k] = true;
    for (const auto& [key, unused] : keys) {
        auto now = got.settings.find(key);
        auto before = old.settings.find(key);
        auto after = changed.find(key);
        const bool asBefore = (now == got.settings.end()) == (before == old.settings.end()) &&
                              (now == got.settings.end() || now->second == before->second);
        const bool asAfter = after != changed.end() && now != got.settings.end() && now->second == after->second;
        if (!asBefore && !asAfter)
            faults.push_back("settings key " + codec::gb18030ToUtf8(key).text + " = " +
                             (now == got.settings.end() ? std::string("(absent)") : codec::gb18030ToUtf8(now->second).text));
    }
    return faults;
}

int runTest(const std::string& self, int kills, unsigned seed, int slotKib)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tess-crash-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return 2;
    const std::string dir = pattern;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1); // a private folder, as Qt wants one
    std::mt19937 random(seed);

    // Round 0 runs to its end: every file and key then has a value to be "old".
    Run first = runOnce(self, dir, 0, slotKib, -1);
    if (!first.saved) {
        std::fprintf(stderr, "crash_save: the first viewer run did not save (status %d)\n", first.status);
        return 1;
    }
    long long longestUs = first.saveUs;
    State state = readState(dir);
    int killedWhileSaving = 0, finished = 0, faults = 0;
    for (int r = 1; r <= kills; ++r) {
        const long long delay =
            std::uniform_int_distribution<long long>(0, longestUs * 12 / 10)(random);
        const Run run = runOnce(self, dir, r, slotKib, delay);
        if (run.saved) {
            ++finished;
            longestUs = std::max(longestUs, run.saveUs);
        } else if (run.killed) {
            ++killedWhileSaving;
        } else {
            std::fprintf(stderr, "crash_save: round %d: the viewer ended with status %d\n", r, run.status);
            ++faults;
        }
        State now = readState(dir);
        for (const std::string& f : check(now, state, r, slotKib)) {
            std::fprintf(stderr, "crash_save: round %d (kill after %lld us): %s\n", r, delay, f.c_str());
            ++faults;
        }
        state = std::move(now);
    }
    int leftovers = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        leftovers += e.path().filename().string().ends_with(".saving") ? 1 : 0;
    std::fflush(stderr);
    std::printf("crash_save: %d rounds, %d killed while saving, %d finished their save first; "
                "longest save %.1f ms; %d temporary files left; %d faults\n",
                kills, killedWhileSaving, finished, static_cast<double>(longestUs) / 1000.0, leftovers, faults);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return faults == 0 ? 0 : 1;
}

} // namespace
} // namespace tess

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--viewer") == 0)
        return tess::runViewer(argc, argv);
    int kills = 20, slotKib = 1024;
    unsigned seed = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--kills") == 0)
            kills = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--seed") == 0)
            seed = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        else if (std::strcmp(argv[i], "--slot-kib") == 0)
            slotKib = std::atoi(argv[i + 1]);
    }
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    return tess::runTest(self, kills, seed, slotKib);
}
