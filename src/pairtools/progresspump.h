#pragma once

#include <chrono>
#include <functional>

namespace Duovue
{

/// Hands the event loop a moment now and then while a long scan runs on the GUI thread, so the
/// abort button and repainting keep working without paying for an event pass per byte.
///
/// poll() calls the callback when at least the interval has passed since the last call (or since
/// construction); without a callback it does nothing. The callback is typically
/// QCoreApplication::processEvents, which may run the abort button's handler.
///
/// Thread: the thread that runs the scan.
class ProgressPump
{
public:
    static constexpr std::chrono::milliseconds DefaultInterval{20};

    ProgressPump() = default;
    explicit ProgressPump(std::function<void()> callback, std::chrono::milliseconds interval = DefaultInterval);

    void poll();

private:
    std::function<void()> m_callback;
    std::chrono::steady_clock::duration m_interval{};
    std::chrono::steady_clock::time_point m_last{};
};

} // namespace Duovue
