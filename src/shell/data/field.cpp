#include "shell/data/field.h"

#include <QDateTime>

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

namespace norvane {

int GetADOType(int odbcSqlType, const QString& typeName)
{
    switch (odbcSqlType) {
    case SQL_BIT: return AdoType::Boolean;
    case SQL_TINYINT: return AdoType::UnsignedTinyInt;  // SQL Server's tinyint is unsigned
    case SQL_SMALLINT: return AdoType::SmallInt;
    case SQL_INTEGER: return AdoType::Integer;
    case SQL_BIGINT: return AdoType::BigInt;
    case SQL_REAL: return AdoType::Single;
    case SQL_FLOAT:
    case SQL_DOUBLE: return AdoType::Double;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        return typeName.compare(QLatin1String("money"), Qt::CaseInsensitive) == 0 ||
                       typeName.compare(QLatin1String("smallmoney"), Qt::CaseInsensitive) == 0
                   ? AdoType::Currency
                   : AdoType::Numeric;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: return AdoType::DbTimeStamp;
    case SQL_TYPE_DATE:
    case SQL_DATE: return AdoType::DbDate;
    case SQL_TYPE_TIME:
    case SQL_TIME:
    case -154: return AdoType::DbTime;             // SQL_SS_TIME2
    case -155: return AdoType::DbTimeStamp;        // SQL_SS_TIMESTAMPOFFSET
    case SQL_CHAR: return AdoType::Char;
    case SQL_VARCHAR: return AdoType::VarChar;
    case SQL_LONGVARCHAR: return AdoType::LongVarChar;
    case SQL_WCHAR: return AdoType::WChar;
    case SQL_WVARCHAR: return AdoType::VarWChar;
    case SQL_WLONGVARCHAR:
    case -152: return AdoType::LongVarWChar;       // SQL_SS_XML
    case SQL_BINARY: return AdoType::Binary;
    case SQL_VARBINARY: return AdoType::VarBinary;
    case SQL_LONGVARBINARY: return AdoType::LongVarBinary;
    case SQL_GUID: return AdoType::Guid;
    default: return AdoType::Variant;
    }
}

QString valueToText(const QVariant& value, int adoType)
{
    if (value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("False");
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', adoType == AdoType::Single ? 7 : 15);
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QTime:
        return value.toTime().toString(QStringLiteral("hh:mm:ss.zzz"));
    case QMetaType::QByteArray:
        return QStringLiteral("0x") + QString::fromLatin1(value.toByteArray().toHex().toUpper());
    default:
        return adoType == AdoType::Guid ? value.toString().toUpper() : value.toString();
    }
}

QString Field::text() const
{
    return valueToText(value_, type_);
}

QStringView trimBlanks(QStringView text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

}  // namespace norvane
