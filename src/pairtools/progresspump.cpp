#include "pairtools/progresspump.h"

namespace Duovue
{

ProgressPump::ProgressPump(std::function<void()> callback, std::chrono::milliseconds interval)
    : m_callback(std::move(callback))
    , m_interval(interval)
    , m_last(std::chrono::steady_clock::now())
{
}

void ProgressPump::poll()
{
    if (!m_callback)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_last < m_interval)
        return;
    m_callback();
    // Measured after the callback, so a slow repaint does not make the next call come at once.
    m_last = std::chrono::steady_clock::now();
}

} // namespace Duovue
