#pragma once
// Maps in the pages of a large buffer on a second thread, so that the thread about to
// fill it does not stop at every new page. Mapping in never changes the contents, so a
// buffer may be written (or even freed) while it runs; the object waits for the thread
// when it is destroyed or started again.
#include <cstddef>
#include <thread>

namespace tess {

class BackgroundPrefault {
public:
    BackgroundPrefault() = default;
    ~BackgroundPrefault() { wait(); }
    BackgroundPrefault(const BackgroundPrefault&) = delete;
    BackgroundPrefault& operator=(const BackgroundPrefault&) = delete;

    // Starts mapping in [data, data + size) when it is large enough to be worth a thread
    // and the machine has a second core; otherwise does nothing.
    void start(void* data, std::size_t size);
    void wait();

private:
    std::thread m_thread;
};

} // namespace tess
