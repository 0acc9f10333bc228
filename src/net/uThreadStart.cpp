#include "net/uThreadStart.h"

#include <atomic>
#include <system_error>

namespace {
std::atomic<TThreadStartGate> g_gate{nullptr};
} // namespace

bool StartThread(std::function<void()> body, std::thread& started) {
    try {
        if (const TThreadStartGate gate = g_gate.load(); gate != nullptr && !gate())
            throw std::system_error(
                std::make_error_code(std::errc::resource_unavailable_try_again));
        started = std::thread(std::move(body));
        return true;
    } catch (...) {
        // Nothing started: std::thread throws only before its thread exists.
        return false;
    }
}


void SetThreadStartGate(TThreadStartGate gate) {
    g_gate = gate;
}
