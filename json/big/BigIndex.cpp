#include "json/big/BigIndex.h"

#include "json/NestingLimit.h"
#include "json/big/BlockClassifier.h"
#include "json/big/ScalarCheck.h"

#include <algorithm>
#include <cstring>

namespace tess::big {
namespace {

inline uint64_t prefixXor(uint64_t x)
{
    x ^= x << 1;
    x ^= x << 2;
    x ^= x << 4;
    x ^= x << 8;
    x ^= x << 16;
    x ^= x << 32;
    return x;
}

inline uint64_t countNewlines(const char* p, std::size_t n)
{
    uint64_t c = 0;
    if (n == 0)
        return 0;
    for (const char* e = p + n; (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(e - p)))); ++p)
        ++c;
    return c;
}

constexpr uint64_t kNone = ~uint64_t(0);

const std::string kTooDeepText = "nested deeper than " + std::to_string(kMaxNesting) + " levels";
const char* const kTooDeep = kTooDeepText.c_str();

class Pass {
public:
    Pass(std::string_view bytes, const IndexOptions& options, BigIndex& out)
        : m_data(reinterpret_cast<const unsigned char*>(bytes.data())), m_size(bytes.size()), m_bytes(bytes),
          m_options(options), m_out(out), m_classify(pickClassifier())
    {
    }

    void run();

private:
    enum class State : uint8_t { Value, ValueOrClose, KeyOrClose, Key, Colon, CommaOrClose, End };
    struct Frame {
        uint64_t start;
        uint64_t count;
        uint64_t nextCheckpoint; // a child starting here or later gets a checkpoint
        bool object;
        std::vector<Checkpoint> checkpoints;
    };

    bool scanFrom(uint64_t pos);
    bool token(uint64_t at);
    uint64_t lineOf(uint64_t at);
    uint64_t lineStart(uint64_t at) const;
    bool fail(uint64_t at, const char* message, uint64_t limit);
    bool expectsValue() const { return m_state == State::Value || m_state == State::ValueOrClose; }
    void childStarts(uint64_t at) __attribute__((always_inline));
    void valueDone() __attribute__((always_inline));
    void closeFrame(uint64_t end, bool truncated);
    void startRecord(uint64_t at, uint64_t line);
    uint64_t checkEscape(uint64_t at) const;
    void dropOpenString();
    void addRecord(uint64_t offset, uint64_t line);
    void dropLastRecord();
    void closeOpenFrames();

    const unsigned char* m_data;
    uint64_t m_size;
    std::string_view m_bytes;
    const IndexOptions& m_options;
    BigIndex& m_out;
    ClassifyFn m_classify;

    State m_state = State::Value;
    std::vector<Frame> m_stack;
    bool m_rootDone = false;
    uint64_t m_valueEnd = kNone;    // where the last top-level value ended (a string: where it began)
    uint64_t m_stringStart = kNone; // the last string opened, and whether it was a value
    bool m_stringIsValue = false;
    uint64_t m_utf8Checked = 0;     // UTF-8 is valid up to here
    // JSON Lines: the record being read
    bool m_inRecord = false;
    uint64_t m_recordStart = 0;
    uint64_t m_recordLine = 0;
    uint64_t m_recordNodes = 0; // node count before the record
    uint64_t m_lastRecordStart = kNone;
    uint64_t m_lastRecordLine = 0;
    uint64_t m_nextLineCheckpoint = 0;
    // A broken line in JSON Lines: scanning goes on here.
    uint64_t m_resume = kNone;
    bool m_stopped = false;
    // Line numbers, counted on demand up to m_linesTo.
    uint64_t m_linesTo = 0;
    uint64_t m_linesBefore = 0;
};

uint64_t Pass::lineStart(uint64_t at) const
{
    at = std::min(at, m_size);
    while (at > 0 && m_data[at - 1] != '\n')
        --at;
    return at;
}

// The 1-based line of offset at (offsets asked for only grow).
uint64_t Pass::lineOf(uint64_t at)
{
    if (at < m_linesTo) {
        m_linesTo = 0;
        m_linesBefore = 0;
    }
    m_linesBefore += countNewlines(reinterpret_cast<const char*>(m_data) + m_linesTo, at - m_linesTo);
    m_linesTo = at;
    return m_linesBefore + 1;
}

bool Pass::fail(uint64_t at, const char* message, uint64_t limit)
{
    ParseError e;
    e.present = true;
    e.offset = at;
    e.message = message;
    e.encoding = std::strncmp(message, "UTF-16", 6) == 0 || std::strcmp(message, "invalid UTF-8") == 0;
    // The line is counted on from the last one asked for: many broken lines stay linear.
    e.line = lineOf(std::min(at, m_size));
    uint64_t unused = 0;
    lineAndColumn(m_bytes.substr(lineStart(at)), at - lineStart(at), unused, e.column);
    if (m_out.lines) {
        // The broken line becomes a record; the next line starts afresh.
        const uint64_t line = e.line;
        if (m_inRecord) {
            m_out.nodeCount = m_recordNodes;
        } else if (m_out.recordCount > 0 && m_lastRecordLine == line &&
                   (m_out.lineErrors.empty() || m_out.lineErrors.back().line != line)) {
            // a value that ended on this line before the fault: the whole line is broken
            dropLastRecord();
            m_out.nodeCount = m_recordNodes;
        }
        m_stack.clear();
        if (m_out.lineErrors.size() >= kMaxBrokenLines) {
            // no JSON Lines after all: stop here
            e.message = "more than " + std::to_string(kMaxBrokenLines) + " broken lines";
            m_out.error = std::move(e);
            m_out.limit = lineStart(at);
            m_stopped = true;
            return false;
        }
        m_out.lineErrors.push_back(std::move(e));
        addRecord(lineStart(at), line);
        ++m_out.nodeCount;
        m_inRecord = false;
        m_state = State::Value;
        const void* nl = at < m_size ? std::memchr(m_data + at, '\n', m_size - at) : nullptr;
        m_resume = nl ? static_cast<uint64_t>(static_cast<const unsigned char*>(nl) - m_data) + 1 : m_size;
        m_valueEnd = m_resume - 1;
        // The check may have run ahead into the lines after this one: it goes on from there.
        m_utf8Checked = std::min(m_utf8Checked, m_resume);
        return false;
    }
    m_out.error = std::move(e);
    m_out.limit = limit;
    m_stopped = true;
    return false;
}

// Where the escape at `at` (a backslash inside a string) goes wrong, or kNone.
uint64_t Pass::checkEscape(uint64_t at) const
{
    if (at + 1 >= m_size)
        return kNone; // the string is unterminated; that is reported at the end
    switch (m_data[at + 1]) {
    case '"': case '\\': case '/': case 'b': case 'f': case 'n': case 'r': case 't':
        return kNone;
    case 'u':
        for (uint64_t k = at + 2; k < at + 6; ++k)
            if (k >= m_size || !isHexDigit(m_data[k]))
                return at;
        return kNone;
    default:
        return at;
    }
}

// The string being read was counted as a value when it opened; a fault inside it takes
// that back.
void Pass::dropOpenString()
{
    if (!m_stringIsValue || m_stringStart == kNone)
        return;
    --m_out.nodeCount;
    if (!m_stack.empty()) {
        --m_stack.back().count;
    } else if (m_out.lines) {
        if (m_out.recordCount > 0 && m_lastRecordStart == m_stringStart)
            dropLastRecord();
    } else {
        m_rootDone = false;
        m_out.depth = 0;
    }
}

inline void Pass::childStarts(uint64_t at)
{
    Frame& f = m_stack.back();
    if (__builtin_expect(at >= f.nextCheckpoint, 0)) {
        f.checkpoints.push_back({f.count, at});
        f.nextCheckpoint = at + m_options.checkpointSpan;
    }
}

inline void Pass::valueDone()
{
    ++m_out.nodeCount;
    if (__builtin_expect(!m_stack.empty(), 1)) {
        ++m_stack.back().count;
        m_state = State::CommaOrClose;
        return;
    }
    m_state = State::End;
    m_out.depth = std::max<uint64_t>(m_out.depth, m_out.lines ? 2 : 1);
    if (m_out.lines) {
        addRecord(m_recordStart, m_recordLine);
        m_inRecord = false;
    } else {
        m_rootDone = true;
    }
}

void Pass::closeFrame(uint64_t end, bool truncated)
{
    Frame& f = m_stack.back();
    // The deepest level: this container's, one more for its children.
    m_out.depth = std::max<uint64_t>(m_out.depth, m_stack.size() + (m_out.lines ? 1 : 0) + (f.count ? 1 : 0));
    if (truncated || end - f.start >= m_options.bigSpan) {
        ContainerEntry e;
        e.start = f.start;
        e.end = end;
        e.count = f.count;
        e.truncated = truncated;
        e.firstCheckpoint = static_cast<uint32_t>(m_out.checkpoints.size());
        e.checkpointCount = static_cast<uint32_t>(f.checkpoints.size());
        m_out.checkpoints.insert(m_out.checkpoints.end(), f.checkpoints.begin(), f.checkpoints.end());
        m_out.containers.push_back(e);
    }
    m_stack.pop_back();
}

// A record of JSON Lines: counted, and kept as a checkpoint every checkpointSpan bytes.
void Pass::addRecord(uint64_t offset, uint64_t line)
{
    if (m_out.recordCount == 0 || offset >= m_nextLineCheckpoint) {
        m_out.lineCheckpoints.push_back({m_out.recordCount, offset, line});
        m_nextLineCheckpoint = offset + m_options.checkpointSpan;
    }
    ++m_out.recordCount;
    m_lastRecordStart = offset;
    m_lastRecordLine = line;
}

// The last record turned out broken: it goes (a broken-line record takes its place).
void Pass::dropLastRecord()
{
    --m_out.recordCount;
    if (!m_out.lineCheckpoints.empty() && m_out.lineCheckpoints.back().record == m_out.recordCount)
        m_out.lineCheckpoints.pop_back();
    m_lastRecordStart = kNone;
    m_lastRecordLine = 0;
}

// After an error: the containers still open are kept, cut where the error cut them.
void Pass::closeOpenFrames()
{
    while (!m_stack.empty()) {
        ++m_out.nodeCount;
        closeFrame(m_out.limit, true);
        if (!m_stack.empty())
            ++m_stack.back().count; // shown among its parent's children, so counted there
    }
}

void Pass::startRecord(uint64_t at, uint64_t line)
{
    m_inRecord = true;
    m_recordNodes = m_out.nodeCount;
    m_recordStart = at;
    m_recordLine = line;
}

// One token: a structure character, the opening quote of a string or the first byte of
// another value. False when the pass stops or a broken line was recorded.
inline __attribute__((always_inline)) bool Pass::token(uint64_t at)
{
    const unsigned char c = m_data[at];
    if (c == '\n') {
        // JSON Lines only: a line break ends the record.
        if (!m_stack.empty() || m_state == State::Colon)
            return fail(at, "unexpected end of line", at);
        return true;
    }
    if (m_stack.empty() && (m_state == State::Value || m_state == State::End)) {
        // A top-level value: the root, or a record of JSON Lines.
        if (m_state == State::End || (m_out.lines && m_valueEnd != kNone)) {
            const bool newLine = std::memchr(m_data + m_valueEnd, '\n', at - m_valueEnd) != nullptr;
            if (!m_out.lines) {
                const bool startsValue = c != '}' && c != ']' && c != ',' && c != ':';
                if (!newLine || !startsValue || m_options.lines == LinesMode::Never)
                    return fail(at, "text after the JSON value", m_size);
                // Several values on lines of their own: the first one is record 1.
                m_out.lines = true;
                uint64_t line = 0;
                uint64_t column = 0;
                lineAndColumn(m_bytes, m_out.rootStart, line, column);
                addRecord(m_out.rootStart, line);
                m_out.hasRoot = false;
                m_out.depth += 1;
                m_out.nodeCount += 1;
                // Kept containers of record 1 stay valid; nothing else to move.
            } else if (!newLine) {
                return fail(at, "two values on one line", m_size);
            }
        }
        if (m_out.lines) {
            startRecord(at, lineOf(at));
            m_state = State::Value;
        } else {
            m_out.hasRoot = true;
            m_out.rootStart = at;
        }
    }
    switch (c) {
    case '{':
    case '[': {
        if (!expectsValue())
            return fail(at, "unexpected bracket", at);
        if (m_stack.size() + (m_out.lines ? 2 : 1) > kMaxNesting)
            return fail(at, kTooDeep, at);
        if (!m_stack.empty() && !m_stack.back().object)
            childStarts(at);
        m_stack.push_back(Frame{at, 0, at + m_options.checkpointSpan, c == '{', {}});
        m_state = c == '{' ? State::KeyOrClose : State::ValueOrClose;
        return true;
    }
    case '}':
    case ']': {
        const bool object = c == '}';
        if (m_stack.empty() || m_stack.back().object != object ||
            !(m_state == State::CommaOrClose || m_state == (object ? State::KeyOrClose : State::ValueOrClose)))
            return fail(at, object ? "unexpected }" : "unexpected ]", at);
        if (at + 1 - m_stack.back().start < m_options.bigSpan && m_stack.back().checkpoints.empty()) {
            // a small container: nothing to keep
            const Frame& f = m_stack.back();
            m_out.depth = std::max<uint64_t>(m_out.depth, m_stack.size() + (m_out.lines ? 1 : 0) + (f.count ? 1 : 0));
            m_stack.pop_back();
        } else {
            closeFrame(at + 1, false);
        }
        valueDone();
        if (m_stack.empty())
            m_valueEnd = at + 1;
        return true;
    }
    case ',':
        if (m_state != State::CommaOrClose || m_stack.empty())
            return fail(at, "unexpected comma", at);
        m_state = m_stack.back().object ? State::Key : State::Value;
        return true;
    case ':':
        if (m_state != State::Colon)
            return fail(at, "unexpected colon", at);
        m_state = State::Value;
        return true;
    case '"':
        m_stringStart = at;
        if (m_state == State::KeyOrClose || m_state == State::Key) {
            childStarts(at);
            m_stringIsValue = false;
            m_state = State::Colon;
            return true;
        }
        if (!expectsValue())
            return fail(at, m_state == State::Colon ? "expected a colon" : "expected a comma or a closing bracket", at);
        if (!m_stack.empty() && !m_stack.back().object)
            childStarts(at);
        m_stringIsValue = true;
        valueDone();
        if (m_stack.empty())
            m_valueEnd = at; // a string holds no line break
        return true;
    default: {
        if (!expectsValue()) {
            if (m_state == State::KeyOrClose || m_state == State::Key)
                return fail(at, "expected a quoted member name", at);
            return fail(at, m_state == State::Colon ? "expected a colon" : "expected a comma or a closing bracket", at);
        }
        uint64_t bad = 0;
        const uint64_t end = scalarEnd(m_bytes, at, bad);
        if (end == 0)
            return fail(bad, "invalid value", at);
        if (!m_stack.empty() && !m_stack.back().object)
            childStarts(at);
        valueDone();
        if (m_stack.empty())
            m_valueEnd = end;
        return true;
    }
    }
}

// Scans blocks from pos to the end; false when stopped early (an error, or a broken line
// with m_resume set).
bool Pass::scanFrom(uint64_t pos)
{
    uint64_t escapeCarry = 0;  // bit 0: the block's first byte is escaped
    uint64_t inString = 0;     // all ones while a string runs over the block boundary
    uint64_t scalarCarry = 0;  // the previous block ended inside a bare value
    alignas(64) unsigned char tail[64];
    constexpr uint64_t kReportEvery = uint64_t(16) << 20;
    uint64_t nextReport = pos + kReportEvery;
    for (; pos < m_size; pos += 64) {
        if (__builtin_expect(pos >= nextReport, 0) && m_options.progress) {
            nextReport = pos + kReportEvery;
            if (!m_options.progress(pos, m_size)) {
                m_out.cancelled = true;
                m_out.error.present = true;
                m_out.error.offset = pos;
                m_out.error.message = "cancelled";
                m_out.limit = pos;
                m_stopped = true;
                return false;
            }
        }
        const uint64_t n = std::min<uint64_t>(64, m_size - pos);
        const unsigned char* p = m_data + pos;
        if (n < 64) {
            std::memcpy(tail, p, n);
            std::memset(tail + n, ' ', 64 - n);
            p = tail;
        }
        BlockMasks m;
        m_classify(p, m);
        uint64_t escaped = escapeCarry;
        escapeCarry = 0;
        uint64_t escapeStarts = 0;
        if (m.backslash) {
            for (uint64_t b = m.backslash; b; b &= b - 1) {
                const int i = __builtin_ctzll(b);
                if (escaped >> i & 1)
                    continue;
                escapeStarts |= uint64_t(1) << i;
                if (i == 63)
                    escapeCarry = 1;
                else
                    escaped |= uint64_t(1) << (i + 1);
            }
        }
        const uint64_t valid = n == 64 ? ~uint64_t(0) : (uint64_t(1) << n) - 1;
        const uint64_t quotes = m.quote & ~escaped & valid;
        const uint64_t r = prefixXor(quotes) ^ inString;
        inString = static_cast<uint64_t>(static_cast<int64_t>(r) >> 63);
        const uint64_t body = r & ~quotes & valid;
        const uint64_t openQuotes = quotes & r;
        const uint64_t outside = ~(r | quotes) & valid;
        const uint64_t bare = ~(m.op | m.space) & outside;
        const uint64_t bareStarts = bare & ~((bare << 1) | scalarCarry);
        scalarCarry = bare >> 63;
        uint64_t tokens = (m.op & outside) | openQuotes | bareStarts;
        if (m_out.lines)
            tokens |= m.newline & outside;

        // The first fault inside a string of this block, if any.
        uint64_t problem = kNone;
        const char* problemText = nullptr;
        if (const uint64_t ctl = body & m.control) {
            problem = pos + __builtin_ctzll(ctl);
            problemText = "control character in a string";
        }
        for (uint64_t b = escapeStarts & body; b; b &= b - 1) {
            const uint64_t at = checkEscape(pos + __builtin_ctzll(b));
            if (at != kNone) {
                if (at < problem) {
                    problem = at;
                    problemText = "invalid escape";
                }
                break;
            }
        }
        // UTF-8 is checked from the block's first byte above 0x7F to its last.
        const uint64_t high = m.high & valid;
        if (high && pos + 63 - __builtin_clzll(high) >= m_utf8Checked) {
            const uint64_t from = std::max(m_utf8Checked, pos + __builtin_ctzll(high));
            uint64_t bad = kNone;
            m_utf8Checked = checkUtf8(m_bytes, from, pos + 64 - __builtin_clzll(high), bad);
            if (bad != kNone && bad < problem) {
                problem = bad;
                problemText = "invalid UTF-8";
            }
        }
        // The tokens inside containers that make up most of a document are handled here
        // with the state in a local; the rest (top level, errors, big containers closing)
        // goes through token().
        State state = m_state;
        for (uint64_t t = tokens; t; t &= t - 1) {
            const int i = __builtin_ctzll(t);
            const uint64_t at = pos + i;
            if (at >= problem)
                break;
            if (__builtin_expect(!m_stack.empty(), 1)) {
                Frame& f = m_stack.back();
                const unsigned char c = m_data[at];
                if (c == ',' && state == State::CommaOrClose) {
                    state = f.object ? State::Key : State::Value;
                    continue;
                }
                if ((state == State::Value || state == State::ValueOrClose) && c != '"' && c != '{' && c != '[' &&
                    c != ']' && c != '}' && c != ',' && c != ':' && c != '\n') {
                    uint64_t bad = 0;
                    const uint64_t end = scalarEnd(m_bytes, at, bad);
                    if (end != 0) {
                        if (!f.object && at >= f.nextCheckpoint)
                            childStarts(at);
                        ++f.count;
                        ++m_out.nodeCount;
                        state = State::CommaOrClose;
                        continue;
                    }
                }
                if (c == ':' && state == State::Colon) {
                    state = State::Value;
                    continue;
                }
                if (c == '"') {
                    if (state == State::Key || state == State::KeyOrClose) {
                        if (at >= f.nextCheckpoint)
                            childStarts(at);
                        m_stringStart = at;
                        m_stringIsValue = false;
                        state = State::Colon;
                        continue;
                    }
                    if (state == State::Value || state == State::ValueOrClose) {
                        if (!f.object && at >= f.nextCheckpoint)
                            childStarts(at);
                        m_stringStart = at;
                        m_stringIsValue = true;
                        ++f.count;
                        ++m_out.nodeCount;
                        state = State::CommaOrClose;
                        continue;
                    }
                }
                if ((c == '{' || c == '[') && (state == State::Value || state == State::ValueOrClose) &&
                    m_stack.size() + 2 <= kMaxNesting) {
                    if (!f.object && at >= f.nextCheckpoint)
                        childStarts(at);
                    m_stack.push_back(Frame{at, 0, at + m_options.checkpointSpan, c == '{', {}});
                    state = c == '{' ? State::KeyOrClose : State::ValueOrClose;
                    continue;
                }
                if ((c == ']' || c == '}') && f.object == (c == '}') &&
                    (state == State::CommaOrClose || state == (f.object ? State::KeyOrClose : State::ValueOrClose)) &&
                    m_stack.size() > 1 && at + 1 - f.start < m_options.bigSpan && f.checkpoints.empty()) {
                    // a small container closes inside another
                    m_out.depth =
                        std::max<uint64_t>(m_out.depth, m_stack.size() + (m_out.lines ? 1 : 0) + (f.count ? 1 : 0));
                    m_stack.pop_back();
                    ++m_out.nodeCount;
                    ++m_stack.back().count;
                    state = State::CommaOrClose;
                    continue;
                }
            }
            m_state = state;
            const bool wasLines = m_out.lines;
            if (!token(at))
                return false;
            state = m_state;
            // The file turned out to be JSON Lines here: the line breaks after this token
            // end records too.
            if (__builtin_expect(!wasLines && m_out.lines, 0))
                t |= m.newline & outside & ~((uint64_t(2) << i) - 1);
        }
        m_state = state;
        if (problem != kNone) {
            // A fault inside a string cuts off that string with everything after it.
            uint64_t limit = problem;
            if (body >> (problem - pos) & 1) {
                limit = m_stringStart;
                dropOpenString();
            }
            fail(problem, problemText, limit);
            return false;
        }
    }
    if (inString) {
        dropOpenString();
        fail(m_stringStart, "unterminated string", m_stringStart);
        return false;
    }
    return true;
}

void Pass::run()
{
    m_out.limit = m_size;
    if (m_size >= 3 && m_data[0] == 0xEF && m_data[1] == 0xBB && m_data[2] == 0xBF)
        m_out.begin = 3;
    if (m_size >= 2 && ((m_data[0] == 0xFF && m_data[1] == 0xFE) || (m_data[0] == 0xFE && m_data[1] == 0xFF))) {
        fail(0, "UTF-16 text (this reader takes UTF-8)", 0);
        return;
    }
    m_utf8Checked = m_out.begin;
    if (m_options.lines == LinesMode::Always) {
        m_out.lines = true;
        m_out.nodeCount = 1;
        m_out.depth = 1;
    }
    uint64_t pos = m_out.begin;
    for (;;) {
        m_resume = kNone;
        if (scanFrom(pos) || m_stopped)
            break;
        if (m_resume == kNone || m_resume >= m_size)
            break;
        pos = m_resume;
        m_stringStart = kNone;
    }
    if (m_stopped) {
        closeOpenFrames();
    } else if (m_out.lines) {
        if (!m_stack.empty())
            fail(m_size, "unexpected end of input", m_size);
    } else if (!m_stack.empty()) {
        // A number that runs to the end may have been cut there: it is left out.
        uint64_t limit = m_size;
        if (m_state == State::CommaOrClose) {
            uint64_t s = m_size;
            while (s > 0 && std::strchr("0123456789+-.eE", static_cast<char>(m_data[s - 1])) && m_data[s - 1] != 0)
                --s;
            if (s < m_size && (m_data[s] == '-' || (m_data[s] >= '0' && m_data[s] <= '9'))) {
                limit = s;
                --m_stack.back().count;
                --m_out.nodeCount;
            }
        }
        fail(m_size, "unexpected end of input", limit);
        closeOpenFrames();
    } else if (!m_rootDone && !m_out.error.present) {
        fail(m_size, "no JSON value", m_size);
    }
    if (m_out.hasRoot && !m_out.lines && m_out.limit <= m_out.rootStart)
        m_out.hasRoot = false;
    std::sort(m_out.containers.begin(), m_out.containers.end(),
              [](const ContainerEntry& a, const ContainerEntry& b) { return a.start < b.start; });
    m_out.containers.shrink_to_fit();
    m_out.checkpoints.shrink_to_fit();
    m_out.lineCheckpoints.shrink_to_fit();
}

} // namespace

const ContainerEntry* BigIndex::find(uint64_t start) const
{
    const auto it = std::lower_bound(containers.begin(), containers.end(), start,
                                     [](const ContainerEntry& e, uint64_t s) { return e.start < s; });
    return it != containers.end() && it->start == start ? &*it : nullptr;
}

uint64_t BigIndex::heapBytes() const
{
    return containers.capacity() * sizeof(ContainerEntry) + checkpoints.capacity() * sizeof(Checkpoint) +
           lineCheckpoints.capacity() * sizeof(LineCheckpoint) + lineErrors.capacity() * sizeof(ParseError);
}

BigIndex buildIndex(std::string_view bytes, const IndexOptions& options)
{
    BigIndex index;
    Pass(bytes, options, index).run();
    return index;
}

void lineAndColumn(std::string_view bytes, uint64_t offset, uint64_t& line, uint64_t& column)
{
    offset = std::min<uint64_t>(offset, bytes.size());
    line = countNewlines(bytes.data(), offset) + 1;
    uint64_t start = offset;
    while (start > 0 && bytes[start - 1] != '\n')
        --start;
    column = 1;
    for (uint64_t k = start; k < offset; ++k)
        if ((static_cast<unsigned char>(bytes[k]) & 0xC0) != 0x80)
            ++column;
}

} // namespace tess::big
