#pragma once
// A bound on how deeply the engine's recursive parts (statement splitter, translator, expression
// parser, IF and BEGIN...END blocks) may nest, so that no statement can exhaust a thread's stack:
// past the bound, or when the thread's stack runs low, the statement fails with SQL Server's error 191.
#include <cstddef>

#include "engine/sql_error.h"

namespace sandbox {

// Nesting levels one thread may hold at once, counted over every recursive part together.
constexpr int kMaxNesting = 200;
// Stack a thread keeps free for SQLite and the work below the deepest level.
constexpr std::size_t kStackReserveBytes = 512 * 1024;

SqlError nestedTooDeeply();

// One level of nesting for the current thread; throws nestedTooDeeply() when there is no room for it.
class NestingLevel {
public:
    NestingLevel();
    ~NestingLevel();
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;
};

}  // namespace sandbox
