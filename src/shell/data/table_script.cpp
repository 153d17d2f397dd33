#include "shell/data/table_script.h"

#include "shell/data/sql_text.h"

#include <QRegularExpression>

namespace norvane {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");                   // line end of generated SQL
const QString kBatchEnd = QStringLiteral("GO\r\n\r\n");            // end of a batch
const QString kTab = QStringLiteral("\t");

QString bracketList(const QStringList& names)
{
    QStringList parts;
    for (const QString& name : names)
        parts << bracketed(name);
    return QStringLiteral("(") + parts.join(QStringLiteral(", ")) + QStringLiteral(")");
}

bool takesLength(const QString& type)
{
    static const QStringList types = {QStringLiteral("char"),   QStringLiteral("varchar"),   QStringLiteral("nchar"),
                                      QStringLiteral("nvarchar"), QStringLiteral("binary"), QStringLiteral("varbinary")};
    return types.contains(type, Qt::CaseInsensitive);
}

bool takesPrecision(const QString& type)
{
    return type.compare(QLatin1String("decimal"), Qt::CaseInsensitive) == 0
        || type.compare(QLatin1String("numeric"), Qt::CaseInsensitive) == 0;
}

QString columnLine(const ScriptColumn& column)
{
    QString line = kTab + bracketed(column.name);
    if (column.computed)
        return line + QStringLiteral(" AS ") + column.computedText;
    line += QLatin1Char(' ') + columnTypeText(column);
    if (column.identity) {
        line += QStringLiteral(" IDENTITY (") + QString::number(column.identitySeed) + QStringLiteral(", ")
            + QString::number(column.identityIncrement) + QStringLiteral(")");
    }
    return line + (column.allowNulls ? QStringLiteral(" NULL") : QStringLiteral(" NOT NULL"));
}

QString alterTableAdd(const QString& table, const QString& constraint)
{
    return QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" ADD CONSTRAINT ") + constraint + kLineEnd + kBatchEnd;
}

}  // namespace

QString columnTypeText(const ScriptColumn& column)
{
    const QString type = bracketed(column.typeName);
    if (column.userDefinedType)
        return type;
    if (takesLength(column.typeName)) {
        const QString length = column.length < 0 ? QStringLiteral("max") : QString::number(column.length);
        return type + QStringLiteral(" (") + length + QStringLiteral(")");
    }
    if (takesPrecision(column.typeName))
        return type + QStringLiteral(" (") + QString::number(column.precision) + QStringLiteral(", ")
            + QString::number(column.scale) + QStringLiteral(")");
    return type;
}

QString BuildTableScript(const TableDefinition& table)
{
    const QString name = bracketed(table.owner) + QLatin1Char('.') + bracketed(table.name);
    QString script;

    script += QStringLiteral("IF EXISTS (SELECT * FROM dbo.sysobjects WHERE id = OBJECT_ID(N'") + quotedLiteralText(name)
        + QStringLiteral("') AND xtype = 'U')") + kLineEnd;
    script += QStringLiteral("DROP TABLE ") + name + kLineEnd + kBatchEnd;

    QStringList columns;
    for (const ScriptColumn& column : table.columns)
        columns << columnLine(column);
    script += QStringLiteral("CREATE TABLE ") + name + QStringLiteral(" (") + kLineEnd;
    script += columns.join(QStringLiteral(",") + kLineEnd) + kLineEnd;
    script += QStringLiteral(")") + kLineEnd + kBatchEnd;

    // The primary key first, then the unique keys, each group in the order given.
    for (const bool primary : {true, false}) {
        for (const ScriptKey& key : table.keys) {
            if (key.primary != primary)
                continue;
            script += alterTableAdd(name, bracketed(key.name) + (primary ? QStringLiteral(" PRIMARY KEY ") : QStringLiteral(" UNIQUE "))
                                              + (key.clustered ? QStringLiteral("CLUSTERED ") : QStringLiteral("NONCLUSTERED "))
                                              + bracketList(key.columns));
        }
    }
    for (const ScriptForeignKey& foreignKey : table.foreignKeys) {
        script += alterTableAdd(name, bracketed(foreignKey.name) + QStringLiteral(" FOREIGN KEY ")
                                          + bracketList(foreignKey.columns) + QStringLiteral(" REFERENCES ")
                                          + bracketed(foreignKey.referencedOwner) + QLatin1Char('.')
                                          + bracketed(foreignKey.referencedTable) + QLatin1Char(' ')
                                          + bracketList(foreignKey.referencedColumns));
    }
    for (const ScriptDefault& columnDefault : table.defaults) {
        script += alterTableAdd(name, bracketed(columnDefault.name) + QStringLiteral(" DEFAULT ") + columnDefault.text
                                          + QStringLiteral(" FOR ") + bracketed(columnDefault.column));
    }
    for (const ScriptCheck& check : table.checks)
        script += alterTableAdd(name, bracketed(check.name) + QStringLiteral(" CHECK ") + check.text);
    return script;
}

}  // namespace norvane
