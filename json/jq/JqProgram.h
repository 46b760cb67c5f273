#pragma once
// A jq program run by the jq library itself (Debian's libjq) on standard JSON texts
// (UTF-8): each result written as `jq -c` writes it. Kept in a library of its own, so that
// only what runs queries links jq. No Qt.
#include <functional>
#include <string>
#include <string_view>

struct jq_state;

namespace tess::jq {

enum class RunOutcome { Done, Failed, Stopped, Halted };

struct RunResult {
    RunOutcome outcome = RunOutcome::Done;
    std::string message; // jq's own message (Failed), or halt_error's text (Halted)
    int exitCode = 0;    // Halted: the status halt or halt_error asked for
};

class JqProgram {
public:
    JqProgram();
    ~JqProgram();
    JqProgram(const JqProgram&) = delete;
    JqProgram& operator=(const JqProgram&) = delete;

    // Compiles the program; false with jq's messages (one a line) in error.
    bool compile(std::string_view program, std::string& error);

    // Runs the compiled program on one JSON text; result gets each output as compact JSON
    // (UTF-8) and returns false to stop. An input jq cannot parse fails with its message.
    RunResult run(std::string_view json, const std::function<bool(std::string_view)>& result);

private:
    jq_state* m_state = nullptr;
    std::string m_messages;
};

} // namespace tess::jq
