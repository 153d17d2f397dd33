#pragma once
// Putting text into SQL safely: every literal and every bracketed name the program composes
// goes through these.
#include <QString>

namespace norvane {

// The text for use between single quotes: each single quote doubled (the quotes are the caller's).
QString quotedLiteralText(const QString& text);

// The name for use between brackets: each closing bracket doubled (the brackets are the caller's).
QString bracketedName(const QString& name);

// "[name]", closing brackets doubled.
QString bracketed(const QString& name);

// "N'text'", single quotes doubled.
QString unicodeLiteral(const QString& text);

}  // namespace norvane
