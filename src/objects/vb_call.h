#pragma once
// Visual Basic code that calls a stored procedure through an ADO Command:
// parameters filled by name, or appended one by one with CreateParameter.
// Values the developer supplies are written as "?". Lines end with CR alone;
// the lines inside the With block start with a tab.
#include "objects/param_row.h"

#include <QString>

namespace norvane {

// The ADO constant for a SQL Server type name, such as "adInteger" for int;
// "adIUnknown" for any type without one of its own. The argument is left
// trimmed and upper-cased.
QString GetADOType(QString& dataType);

// Parameters filled by name: .Parameters("@Name")= ?
QString BuildVBCall1(const QString& procedureName, const ParamRows& rows);
// Parameters appended with .CreateParameter, with Precision and NumericScale for numeric ones.
QString BuildVBCall2(const QString& procedureName, const ParamRows& rows);

}  // namespace norvane
