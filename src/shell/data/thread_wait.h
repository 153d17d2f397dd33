#pragma once
// What another thread of this process is doing right now, read from /proc: blocked waiting
// on sockets (poll or select), doing something else, or not known (no /proc).
#include <sys/types.h>

namespace norvane {

enum class ThreadWait { OnSockets, Otherwise, Unknown };

// The calling thread's kernel id, to be handed to threadWait from another thread.
pid_t currentThreadId();
ThreadWait threadWait(pid_t thread);

}  // namespace norvane
