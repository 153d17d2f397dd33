#pragma once
// What the query window sends for the text the user typed, and how it shows
// the values of a result.
#include <QString>

namespace norvane {

class Field;

// The statement to run: the selected text when it holds more than blanks,
// otherwise the whole text; either with its blanks and line breaks trimmed
// from both ends. Empty when there is nothing to run.
QString statementToRun(const QString& selectedText, const QString& wholeText);

// True when the batch starts (after blanks and comments) with a statement that
// must stand first in its batch: CREATE or ALTER of a procedure, view, trigger
// or function, and CREATE of a default, rule or schema.
bool mustStartBatch(const QString& statement);

// The batch sent to the server. Unless the statement must start its batch, an
// empty PRINT goes first: the driver then returns from the execute call with
// that message, so an error in the user's first statement arrives as a later
// result and every result after it can still be read.
QString batchForStatement(const QString& statement);
// True when the batch begins with that empty PRINT (its message is not shown).
bool batchHasLeadingMessage(const QString& batch);

// The grid's heading of each field: the names trimmed and joined by " | ", cut
// at the bars, so every heading but the first starts with a blank and every
// heading but the last ends with one.
QString fieldHeading(const QString& name, int index, int fieldCount);

// A cell of the result grid: "NULL" for a null value, "True"/"False" for a bit,
// binary as 0x hex, everything else as its usual text.
QString resultCellText(const Field& field);

}  // namespace norvane
