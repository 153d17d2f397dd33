#include "engine/nesting.h"

#include <cstdint>
#include <pthread.h>

namespace sandbox {

namespace {

thread_local int depth = 0;

struct StackRange {
    std::uintptr_t low = 0;
    std::uintptr_t high = 0;
};

// The calling thread's stack (it grows down, towards low, on every platform the sandbox builds for).
StackRange stackRange()
{
    thread_local StackRange range = [] {
        StackRange known;
        pthread_attr_t attributes;
        if (pthread_getattr_np(pthread_self(), &attributes) != 0)
            return known;
        void* base = nullptr;
        std::size_t size = 0;
        if (pthread_attr_getstack(&attributes, &base, &size) == 0) {
            known.low = reinterpret_cast<std::uintptr_t>(base);
            known.high = known.low + size;
        }
        pthread_attr_destroy(&attributes);
        return known;
    }();
    return range;
}

bool stackRunningLow()
{
    const StackRange range = stackRange();
    // The frame address, not a local's: sanitizers may keep locals on a heap-allocated fake stack.
    const auto at = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    if (range.low == 0 || at < range.low || at >= range.high)
        return false;
    return at - range.low < kStackReserveBytes;
}

}  // namespace

SqlError nestedTooDeeply()
{
    return SqlError(191, 15, 1,
                    "Some part of your SQL statement is nested too deeply. Rewrite the query or break it up into smaller "
                    "queries.");
}

NestingLevel::NestingLevel()
{
    if (depth >= kMaxNesting || stackRunningLow())
        throw nestedTooDeeply();
    ++depth;
}

NestingLevel::~NestingLevel()
{
    --depth;
}

}  // namespace sandbox
