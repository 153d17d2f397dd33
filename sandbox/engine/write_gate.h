#pragma once
// Writers of one database take turns in the order they asked, instead of racing for SQLite's
// write lock: a session holds its database's gate for a writing statement, or from a transaction's
// first write to its end. Waits honour a lock timeout and give up when the session is cancelled.
#include <condition_variable>
#include <functional>
#include <list>
#include <map>
#include <mutex>
#include <string>

namespace sandbox {

class WriteGates {
public:
    enum class Outcome { Acquired, TimedOut, Cancelled, Deadlock };

    // Waits for the gate of database (a lower-case name) on behalf of session spid. timeoutMs < 0 waits
    // without limit; cancelled is polled while waiting. Taking a gate the session already holds is immediate.
    Outcome acquire(const std::string& database, int spid, int timeoutMs, const std::function<bool()>& cancelled);
    void release(const std::string& database, int spid);
    bool holds(const std::string& database, int spid) const;

private:
    struct Waiter {
        int spid = 0;
        bool granted = false;
        std::condition_variable wake;
    };
    struct Gate {
        int owner = 0;  // 0: free
        std::list<Waiter*> queue;
    };
    bool waitsOnItself(int spid, const std::string& database) const;

    mutable std::mutex mutex_;
    std::map<std::string, Gate> gates_;
    std::map<int, std::string> waitingFor_;  // spid -> the gate it waits for
};

}  // namespace sandbox
