#pragma once
// The T-SQL script that calls a stored procedure: it declares a variable for
// each output parameter, executes the procedure with "?" for every input
// value, and prints the outputs. Lines end with CR LF and are not indented.
#include "objects/param_row.h"

#include <QString>

namespace norvane {

// The variable that receives an output parameter: every "@" of the name becomes "@p".
QString outputVariableName(const QString& parameterName);

// The declaration of an output variable, CR LF included. Text types and binary
// types carry their length in characters or bytes, decimal types their
// precision and scale, so the variable holds the whole value the procedure returns.
QString outputDeclaration(const ParamRow& row);

// The whole script, for the procedure's name and its parameter rows in grid order.
QString BuildSQLCall(const QString& procedureName, const ParamRows& rows);

}  // namespace norvane
