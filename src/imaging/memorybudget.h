#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include <QtGlobal>

namespace Duovue
{

/// Memory shared by decodes that run at the same time, so that their total stays within a fixed
/// amount however many threads decode: a decode reserves what it needs before it allocates and
/// waits while others hold the rest, so giant pictures run fewer at a time instead of taking more
/// memory. Reservations are served in the order they were asked for (a giant picture is not
/// overtaken for ever by small ones); one larger than the whole budget is refused at once.
///
/// Thread: any; shared by the decoding threads, which it blocks while they wait.
class MemoryBudget final
{
public:
    enum class Grant { Granted, TooLarge, Cancelled };

    explicit MemoryBudget(qint64 total);
    MemoryBudget(const MemoryBudget &) = delete;
    MemoryBudget &operator=(const MemoryBudget &) = delete;

    /// Takes @p bytes once they are free. Returns TooLarge at once when they exceed the whole
    /// budget, and Cancelled as soon as @p cancel is seen set (see wake()).
    Grant reserve(qint64 bytes, const std::atomic<bool> *cancel);
    void release(qint64 bytes);
    /// Lets waiting reservations look at their cancel flags again; call after setting one.
    void wake();

    qint64 total() const { return m_total; }
    qint64 available() const;

private:
    const qint64 m_total;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    qint64 m_free;
    std::deque<std::uint64_t> m_queue; // tickets of the waiting reservations, oldest first
    std::uint64_t m_nextTicket = 0;
};

} // namespace Duovue
