#pragma once
// A statement failure as SQL Server reports it: number, severity, state and text.
#include <stdexcept>
#include <string>

namespace sandbox {

struct SqlError : std::runtime_error {
    int number;
    int severity;
    int state;

    SqlError(int number, int severity, int state, const std::string& text)
        : std::runtime_error(text), number(number), severity(severity), state(state) {}
};

// The usual ones, with SQL Server's texts.
inline SqlError syntaxErrorNear(const std::string& near)
{
    return SqlError(102, 15, 1, "Incorrect syntax near '" + near + "'.");
}
inline SqlError invalidObjectName(const std::string& name)
{
    return SqlError(208, 16, 1, "Invalid object name '" + name + "'.");
}

}  // namespace sandbox
