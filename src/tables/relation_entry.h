#pragma once
// The object an entry of a relation list names. The referring tables list
// ("Customers ( CustomerID )") and the dependent objects list
// ("AddOrder ( P )") add a part in parentheses after the name; the other
// lists hold the name alone. Only the added part is taken off, so a name that
// holds a parenthesis itself stays whole.
#include <QString>

namespace norvane {

enum class RelationList { Referring = 0, Referred = 1, CheckConstraints = 2, Triggers = 3, Dependents = 4 };

inline QString relationObjectName(RelationList list, const QString& entry)
{
    const QString text = entry.trimmed();
    if (list != RelationList::Referring && list != RelationList::Dependents)
        return text;
    const qsizetype added = text.lastIndexOf(QStringLiteral(" ( "));
    if (added < 0 || !text.endsWith(QLatin1Char(')')))
        return text;
    return text.left(added).trimmed();
}

}  // namespace norvane
