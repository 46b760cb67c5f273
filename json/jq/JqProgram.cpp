#include "json/jq/JqProgram.h"

extern "C" {
#include <jq.h>
#include <jv.h>
}

namespace tess::jq {
namespace {

// jq's text of a message value: the string itself, else its JSON.
std::string messageText(jv msg)
{
    std::string text;
    if (jv_get_kind(msg) == JV_KIND_STRING) {
        text.assign(jv_string_value(msg), static_cast<std::size_t>(jv_string_length_bytes(jv_copy(msg))));
        jv_free(msg);
    } else {
        jv dumped = jv_dump_string(msg, 0);
        text = std::string(jv_string_value(dumped)) + " (not a string)";
        jv_free(dumped);
    }
    return text;
}

void collectMessage(void* data, jv msg)
{
    std::string& all = *static_cast<std::string*>(data);
    if (!all.empty())
        all.push_back('\n');
    all += messageText(msg);
}

} // namespace

JqProgram::JqProgram() : m_state(jq_init())
{
    if (m_state)
        jq_set_error_cb(m_state, collectMessage, &m_messages);
}

JqProgram::~JqProgram()
{
    if (m_state)
        jq_teardown(&m_state);
}

bool JqProgram::compile(std::string_view program, std::string& error)
{
    if (!m_state) {
        error = "jq could not start (out of memory)";
        return false;
    }
    m_messages.clear();
    const std::string text(program);
    if (jq_compile(m_state, text.c_str()))
        return true;
    error = m_messages.empty() ? "jq: the program does not compile" : m_messages;
    return false;
}

RunResult JqProgram::run(std::string_view json, const std::function<bool(std::string_view)>& result)
{
    RunResult out;
    jv input = jv_parse_sized(json.data(), static_cast<int>(json.size()));
    if (!jv_is_valid(input)) {
        out.outcome = RunOutcome::Failed;
        out.message = jv_invalid_has_msg(jv_copy(input)) ? messageText(jv_invalid_get_msg(input)) : "invalid JSON";
        if (!jv_invalid_has_msg(jv_copy(input)))
            jv_free(input);
        return out;
    }
    jq_start(m_state, input, 0);
    for (;;) {
        jv value = jq_next(m_state);
        if (jv_is_valid(value)) {
            jv dumped = jv_dump_string(value, 0);
            const bool more =
                result(std::string_view(jv_string_value(dumped), static_cast<std::size_t>(jv_string_length_bytes(jv_copy(dumped)))));
            jv_free(dumped);
            if (!more) {
                out.outcome = RunOutcome::Stopped;
                return out;
            }
            continue;
        }
        if (jq_halted(m_state)) {
            jv_free(value);
            out.outcome = RunOutcome::Halted;
            jv code = jq_get_exit_code(m_state);
            out.exitCode = jv_get_kind(code) == JV_KIND_NUMBER ? static_cast<int>(jv_number_value(code)) : 5;
            jv_free(code);
            jv message = jq_get_error_message(m_state);
            if (jv_get_kind(message) == JV_KIND_STRING)
                out.message = messageText(message);
            else
                jv_free(message);
            return out;
        }
        if (jv_invalid_has_msg(jv_copy(value))) {
            out.outcome = RunOutcome::Failed;
            out.message = messageText(jv_invalid_get_msg(value));
            return out;
        }
        jv_free(value);
        return out;
    }
}

} // namespace tess::jq
