#pragma once
// Comparison of the tables and columns of a reference database with those of a
// second database: for every user table of the reference, whether the second
// database has a table of exactly that name and, if so, which of its columns are
// missing there or differ. Only one direction is compared.
//
// Names match exactly (case and every character alike); the first table or
// column of that name counts. Lookups go through hash tables, so the work grows
// with the number of tables and columns, not with their square.
#include "shell/data/database_columns.h"

#include <QString>

#include <vector>

namespace norvane {

// The properties in which two columns of the same name differ, in this order:
// "Null" (null-allowed flags), then ",DataType", ",Length", ",Precision",
// ",Scale", ",Identity", ",ComputedText", ",Default" (a bound default's name);
// empty when they agree. So "Null,DataType" or ",Length,Precision".
QString CompareColumnProperties(const ColumnProperties& x, const ColumnProperties& y);

// For each column of a, in order: "," + name + "-***ColNotFound***" when b has
// no column of that name, "," + name + "-Nonmatching Properties:" + the
// properties when they differ, nothing when they agree.
QString CompareColumns(const TableStructure& a, const TableStructure& b);

// One reference table's outcome: its numbered name as the table list shows it
// ("1-Orders"), and its result line.
struct TableComparison {
    QString entry;
    QString line;
    friend bool operator==(const TableComparison&, const TableComparison&) = default;
};

// One outcome per user table of the reference, in its order, system tables
// passed over on both sides. The line is the number, "-", the name, then
// "-MatchingTableFound" and the column differences, or "-***NotFound***".
std::vector<TableComparison> CompareTables(const std::vector<TableStructure>& reference,
                                           const std::vector<TableStructure>& second);

// The result text as the window shows it: every line preceded by a line break
// (CR LF), so a non-empty result starts with an empty line.
QString compareResultText(const std::vector<TableComparison>& tables);

}  // namespace norvane
