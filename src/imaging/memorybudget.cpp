#include "imaging/memorybudget.h"

#include <algorithm>

namespace Duovue
{

MemoryBudget::MemoryBudget(qint64 total)
    : m_total(total)
    , m_free(total)
{
}

MemoryBudget::Grant MemoryBudget::reserve(qint64 bytes, const std::atomic<bool> *cancel)
{
    bytes = std::max<qint64>(bytes, 0);
    if (bytes > m_total)
        return Grant::TooLarge;
    const auto isCancelled = [cancel] {
        return cancel && cancel->load(std::memory_order_relaxed);
    };
    std::unique_lock lock(m_mutex);
    const std::uint64_t ticket = m_nextTicket++;
    m_queue.push_back(ticket);
    m_changed.wait(lock, [&] {
        return isCancelled() || (m_queue.front() == ticket && m_free >= bytes);
    });
    const bool granted = !isCancelled() && m_queue.front() == ticket && m_free >= bytes;
    m_queue.erase(std::find(m_queue.begin(), m_queue.end(), ticket));
    if (granted)
        m_free -= bytes;
    // The next in line may fit in what is left, or may now be first.
    m_changed.notify_all();
    return granted ? Grant::Granted : Grant::Cancelled;
}

void MemoryBudget::release(qint64 bytes)
{
    std::lock_guard lock(m_mutex);
    m_free += std::max<qint64>(bytes, 0);
    m_changed.notify_all();
}

void MemoryBudget::wake()
{
    std::lock_guard lock(m_mutex);
    m_changed.notify_all();
}

qint64 MemoryBudget::available() const
{
    std::lock_guard lock(m_mutex);
    return m_free;
}

} // namespace Duovue
