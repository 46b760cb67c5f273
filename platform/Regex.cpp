#include "platform/Regex.h"

#include "platform/Gb18030Decoder.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <vector>

namespace tess {

namespace {

// Bounds for one match attempt. The match limit stops catastrophic backtracking within
// tens of milliseconds (JIT); the heap limit bounds the interpreter's backtracking memory.
constexpr std::uint32_t kMatchLimit = 10'000'000;
constexpr std::uint32_t kHeapLimitKiB = 256 * 1024;
constexpr std::size_t kJitStackStart = 32 * 1024;
constexpr std::size_t kJitStackMax = 64 * 1024 * 1024;

// Distance, in UTF-8 bytes, between two samples of the offset map.
constexpr std::size_t kCheckpointSpan = 64;

// Per-thread match context: the limits and, once a JIT pattern runs, a JIT stack.
class ThreadMatchContext {
public:
    ThreadMatchContext()
        : m_context(pcre2_match_context_create(nullptr))
    {
        if (m_context) {
            pcre2_set_match_limit(m_context, kMatchLimit);
            pcre2_set_heap_limit(m_context, kHeapLimitKiB);
        }
    }
    ~ThreadMatchContext()
    {
        pcre2_match_context_free(m_context);
        pcre2_jit_stack_free(m_jitStack);
    }
    ThreadMatchContext(const ThreadMatchContext&) = delete;
    ThreadMatchContext& operator=(const ThreadMatchContext&) = delete;

    pcre2_match_context* get(bool jit)
    {
        if (jit && !m_jitStack && m_context) {
            m_jitStack = pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr);
            if (m_jitStack)
                pcre2_jit_stack_assign(m_context, nullptr, m_jitStack);
        }
        return m_context;
    }

private:
    pcre2_match_context* m_context;
    pcre2_jit_stack* m_jitStack = nullptr;
};

pcre2_match_context* matchContext(bool jit)
{
    thread_local ThreadMatchContext context;
    return context.get(jit);
}

// The text as the engine sees it: UTF-8, with a way back to the original byte offsets.
// Pure ASCII text is used as it is. Otherwise the map keeps one sample per
// kCheckpointSpan bytes of UTF-8 and walks forward from the nearest sample (or from
// the last answer, as the offsets asked for mostly grow), so memory stays small and a
// replace over the whole text stays linear.
class MatchSubject {
public:
    MatchSubject(std::string_view original, bool withMap)
        : m_original(original)
    {
        if (gb18030::isAscii(original)) {
            m_subject = original;
            m_identity = true;
            return;
        }
        if (withMap) {
            m_checkpoints.reserve(original.size() / kCheckpointSpan + 2);
            m_converted = gb18030::toUtf8(original, [this](std::size_t u, std::size_t o) {
                while (m_checkpoints.size() * kCheckpointSpan <= u)
                    m_checkpoints.push_back({ u, o });
            });
        } else {
            m_converted = gb18030::toUtf8(original);
        }
        m_subject = m_converted;
    }

    std::string_view utf8() const { return m_subject; }

    // The offset after the character that starts at u (u < size).
    std::size_t nextChar(std::size_t u) const
    {
        return u + gb18030::utf8Length(static_cast<unsigned char>(m_subject[u]));
    }

    // The original byte offset of the character boundary u of the UTF-8 subject.
    std::size_t toOriginal(std::size_t u)
    {
        if (m_identity)
            return u;
        Point at = m_checkpoints[u / kCheckpointSpan];
        if (m_cursor.u <= u && m_cursor.u >= at.u)
            at = m_cursor;
        while (at.u < u) {
            at.o += gb18030::decodeAt(m_original, at.o).length;
            at.u = nextChar(at.u);
        }
        m_cursor = at;
        return at.o;
    }

private:
    struct Point {
        std::size_t u = 0; // UTF-8 offset
        std::size_t o = 0; // original offset
    };
    std::string_view m_original;
    std::string m_converted;
    std::string_view m_subject;
    bool m_identity = false;
    std::vector<Point> m_checkpoints;
    Point m_cursor;
};

// A replacement text split into literal runs and group references ($1..$9).
struct ReplacementPart {
    std::string_view literal;
    int group = 0; // 0: literal
};

std::vector<ReplacementPart> parseReplacement(std::string_view replacement, std::uint32_t groupCount)
{
    std::vector<ReplacementPart> parts;
    std::size_t literalStart = 0;
    for (std::size_t i = 0; i + 1 < replacement.size(); ++i) {
        // '$' and the digits are ASCII and never part of a GB18030 multi-byte character.
        if (replacement[i] != '$')
            continue;
        const char d = replacement[i + 1];
        if (d < '1' || d > '9' || static_cast<std::uint32_t>(d - '0') > groupCount)
            continue; // stays literal, as does a reference to a group the pattern lacks
        if (i > literalStart)
            parts.push_back({ replacement.substr(literalStart, i - literalStart), 0 });
        parts.push_back({ {}, d - '0' });
        literalStart = i + 2;
        ++i;
    }
    if (literalStart < replacement.size())
        parts.push_back({ replacement.substr(literalStart), 0 });
    return parts;
}

class MatchData {
public:
    explicit MatchData(const pcre2_code* code)
        : m_data(pcre2_match_data_create_from_pattern(code, nullptr))
    {
    }
    ~MatchData() { pcre2_match_data_free(m_data); }
    MatchData(const MatchData&) = delete;
    MatchData& operator=(const MatchData&) = delete;
    pcre2_match_data* get() const { return m_data; }
    const PCRE2_SIZE* ovector() const { return pcre2_get_ovector_pointer(m_data); }

private:
    pcre2_match_data* m_data;
};

const std::string& noPatternMessage()
{
    static const std::string message = "no pattern compiled";
    return message;
}

} // namespace

struct Regex::Impl {
    pcre2_code* code = nullptr;
    std::string error;
    std::size_t errorPosition = 0;
    RegexOptions options;
    std::uint32_t groupCount = 0;
    bool jit = false;

    ~Impl() { pcre2_code_free(code); }

    int match(std::string_view subject, std::size_t start, const MatchData& data) const
    {
        return pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), start,
            PCRE2_NO_UTF_CHECK, data.get(), matchContext(jit));
    }
};

Regex::Regex() = default;
Regex::~Regex() = default;
Regex::Regex(Regex&&) noexcept = default;
Regex& Regex::operator=(Regex&&) noexcept = default;

Regex Regex::compile(std::string_view pattern, RegexOptions options)
{
    Regex regex;
    regex.m_impl = std::make_unique<Impl>();
    Impl& impl = *regex.m_impl;
    impl.options = options;

    const std::string utf8Pattern = gb18030::toUtf8(pattern);
    // UTF without UCP keeps \s, \d, \w and \b ASCII. The rest follows ECMAScript:
    // \uHHHH, [] and [^], $ only at the very end outside multi-line mode, a back
    // reference to an unset group matching nothing. \C could split a character.
    std::uint32_t flags = PCRE2_UTF | PCRE2_NO_UTF_CHECK | PCRE2_NEVER_UCP | PCRE2_ALT_BSUX
        | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_DOLLAR_ENDONLY | PCRE2_MATCH_UNSET_BACKREF
        | PCRE2_NEVER_BACKSLASH_C;
    if (options.ignoreCase)
        flags |= PCRE2_CASELESS;
    if (options.multiLine)
        flags |= PCRE2_MULTILINE;

    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    if (context) {
        pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
        pcre2_set_bsr(context, PCRE2_BSR_ANYCRLF);
        pcre2_set_compile_extra_options(context, PCRE2_EXTRA_ALT_BSUX);
    }
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    impl.code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8Pattern.data()), utf8Pattern.size(), flags,
        &errorCode, &errorOffset, context);
    pcre2_compile_context_free(context);

    if (!impl.code) {
        PCRE2_UCHAR message[256];
        if (pcre2_get_error_message(errorCode, message, sizeof message) < 0)
            impl.error = "invalid pattern";
        else
            impl.error = reinterpret_cast<const char*>(message);
        for (std::size_t i = 0; i < errorOffset && i < utf8Pattern.size(); ++i)
            impl.errorPosition += (static_cast<unsigned char>(utf8Pattern[i]) & 0xC0) != 0x80 ? 1 : 0;
        return regex;
    }
    pcre2_pattern_info(impl.code, PCRE2_INFO_CAPTURECOUNT, &impl.groupCount);
    impl.jit = pcre2_jit_compile(impl.code, PCRE2_JIT_COMPLETE) == 0;
    return regex;
}

bool Regex::valid() const
{
    return m_impl && m_impl->code;
}

const std::string& Regex::error() const
{
    return m_impl ? m_impl->error : noPatternMessage();
}

std::size_t Regex::errorPosition() const
{
    return m_impl ? m_impl->errorPosition : 0;
}

bool Regex::test(std::string_view text) const
{
    if (!valid())
        return false;
    MatchSubject subject(text, false);
    MatchData data(m_impl->code);
    if (!data.get())
        return false;
    return m_impl->match(subject.utf8(), 0, data) > 0;
}

std::string Regex::replace(std::string_view text, std::string_view replacement) const
{
    if (!valid())
        return std::string(text);
    MatchData data(m_impl->code);
    if (!data.get())
        return std::string(text);
    MatchSubject subject(text, true);
    const std::string_view utf8 = subject.utf8();
    const std::vector<ReplacementPart> parts = parseReplacement(replacement, m_impl->groupCount);

    std::string out;
    std::size_t copiedUpTo = 0; // original bytes before this offset are in out
    std::size_t searchFrom = 0; // UTF-8 offset of the next search
    bool matched = false;
    while (searchFrom <= utf8.size()) {
        const int rc = m_impl->match(utf8, searchFrom, data);
        if (rc == PCRE2_ERROR_NOMATCH)
            break;
        if (rc <= 0)
            return std::string(text); // a limit was hit: leave the text as it was
        const PCRE2_SIZE* ov = data.ovector();
        // \K inside a look-ahead can put the start after the end; treat it as empty.
        const std::size_t matchEnd = ov[1];
        const std::size_t matchStart = ov[0] <= matchEnd ? ov[0] : matchEnd;
        if (!matched) {
            out.reserve(text.size() + replacement.size());
            matched = true;
        }
        std::size_t start = subject.toOriginal(matchStart);
        if (start < copiedUpTo)
            start = copiedUpTo;
        out.append(text.substr(copiedUpTo, start - copiedUpTo));
        for (const ReplacementPart& part : parts) {
            if (part.group == 0) {
                out.append(part.literal);
                continue;
            }
            const PCRE2_SIZE gs = ov[2 * part.group];
            const PCRE2_SIZE ge = ov[2 * part.group + 1];
            if (gs == PCRE2_UNSET || ge == PCRE2_UNSET || gs >= ge)
                continue;
            const std::size_t os = subject.toOriginal(gs);
            const std::size_t oe = subject.toOriginal(ge);
            out.append(text.substr(os, oe - os));
        }
        const std::size_t end = subject.toOriginal(matchEnd);
        copiedUpTo = end > copiedUpTo ? end : copiedUpTo;
        if (!m_impl->options.global)
            break;
        // As in ECMAScript, an empty match moves the next search on by one character.
        if (matchEnd == matchStart) {
            if (matchEnd >= utf8.size())
                break;
            searchFrom = subject.nextChar(matchEnd);
        } else {
            searchFrom = matchEnd;
        }
    }
    if (!matched)
        return std::string(text);
    out.append(text.substr(copiedUpTo));
    return out;
}

} // namespace tess
