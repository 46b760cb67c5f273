#pragma once
// Knobs and outcome codes of a URL fetch. The defaults are the product's fixed settings;
// tests shorten the pause and timeouts, a GUI passes a cancellation flag.
#include <atomic>
#include <cstddef>

namespace tess {

inline constexpr std::size_t kMaxBodyBytes = std::size_t(1) << 30; // 1 GiB

struct FetchOptions {
    int timeoutSeconds = 60;           // connect timeout, and the longest stall while receiving
    int pauseMs = 1000;                // pause after an attempt that produced no text
    int attempts = 3;
    std::size_t maxBodyBytes = kMaxBodyBytes; // raw and decompressed body limit
    // Set from any thread to stop the fetch: checked during the transfer (every ~50 ms),
    // during the pauses and between attempts. May be null.
    const std::atomic<bool>* cancel = nullptr;
};

enum class FetchStatus {
    Ok,        // text arrived
    Empty,     // every attempt gave empty text
    TooLarge,  // the body (raw or decompressed) exceeded maxBodyBytes; the fetch stopped
    NotUrl,    // the text does not begin with "http"
    Cancelled, // the cancellation flag was set
};

inline bool isCancelled(const FetchOptions& options)
{
    return options.cancel && options.cancel->load(std::memory_order_relaxed);
}

} // namespace tess
