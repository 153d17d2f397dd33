#include "engine/write_gate.h"

#include <chrono>

namespace sandbox {

namespace {
// How often a waiter looks at its cancellation while it waits.
constexpr auto pollInterval = std::chrono::milliseconds(20);
}  // namespace

WriteGates::Outcome WriteGates::acquire(const std::string& database, int spid, int timeoutMs,
                                        const std::function<bool()>& cancelled)
{
    std::unique_lock lock(mutex_);
    Gate& gate = gates_[database];
    if (gate.owner == spid)
        return Outcome::Acquired;
    if (gate.owner == 0 && gate.queue.empty()) {
        gate.owner = spid;
        return Outcome::Acquired;
    }
    if (timeoutMs == 0)
        return Outcome::TimedOut;
    // Waiting for a gate whose holder waits, directly or not, for one this session holds never ends.
    if (waitsOnItself(spid, database))
        return Outcome::Deadlock;
    Waiter waiter;
    waiter.spid = spid;
    gate.queue.push_back(&waiter);
    waitingFor_[spid] = database;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    Outcome outcome = Outcome::Acquired;
    while (!waiter.granted) {
        waiter.wake.wait_for(lock, pollInterval);
        if (waiter.granted)
            break;
        if (cancelled && cancelled()) {
            outcome = Outcome::Cancelled;
            break;
        }
        if (timeoutMs > 0 && std::chrono::steady_clock::now() >= deadline) {
            outcome = Outcome::TimedOut;
            break;
        }
    }
    waitingFor_.erase(spid);
    if (!waiter.granted) {
        gate.queue.remove(&waiter);
        return outcome;
    }
    return Outcome::Acquired;
}

void WriteGates::release(const std::string& database, int spid)
{
    std::lock_guard lock(mutex_);
    auto it = gates_.find(database);
    if (it == gates_.end() || it->second.owner != spid)
        return;
    Gate& gate = it->second;
    gate.owner = 0;
    if (!gate.queue.empty()) {
        // Handed straight to the longest waiter, so a stream of newcomers cannot starve it.
        Waiter* next = gate.queue.front();
        gate.queue.pop_front();
        gate.owner = next->spid;
        next->granted = true;
        next->wake.notify_one();
    }
}

bool WriteGates::holds(const std::string& database, int spid) const
{
    std::lock_guard lock(mutex_);
    auto it = gates_.find(database);
    return it != gates_.end() && it->second.owner == spid;
}

bool WriteGates::waitsOnItself(int spid, const std::string& database) const
{
    std::string wanted = database;
    // Each step follows one owner to the gate it waits for; there are fewer steps than sessions.
    for (std::size_t steps = 0; steps <= waitingFor_.size(); ++steps) {
        auto gate = gates_.find(wanted);
        if (gate == gates_.end() || gate->second.owner == 0)
            return false;
        const int owner = gate->second.owner;
        if (owner == spid)
            return true;
        auto next = waitingFor_.find(owner);
        if (next == waitingFor_.end())
            return false;
        wanted = next->second;
    }
    return false;
}

}  // namespace sandbox
