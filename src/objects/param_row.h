#pragma once
// One row of a parameters grid, as the stored procedures and functions windows
// show it and the calling-code builders read it. Every cell is text.
#include <QString>

#include <vector>

namespace norvane {

struct ParamRow {
    QString Number;         // "No.": position among the data rows, from 1
    QString Name;           // with its leading "@", as the catalog stores it
    QString DataType;       // the type's name; a user-defined type shows its own name
    QString Length;         // storage length in bytes
    QString Precision;
    QString Scale;
    QString ParameterType;  // "Input", "Output", or "Return" (a function's result)
};

using ParamRows = std::vector<ParamRow>;

// A row takes part in calling code only when it names a parameter (the empty
// row kept under the header of a parameterless procedure does not).
inline bool namesParameter(const ParamRow& row)
{
    return !row.Name.trimmed().isEmpty();
}

// Every row that is not an input ("Output" in practice) is treated as an output.
inline bool isInputParameter(const ParamRow& row)
{
    return row.ParameterType.trimmed().toUpper() == QLatin1String("INPUT");
}

}  // namespace norvane
