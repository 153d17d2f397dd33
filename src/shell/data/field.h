#pragma once
// One column of the current row: name, ADO type code, value and null test.
#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QVariant>

namespace norvane {

// ADO's published data type numbers, as the program relies on them.
namespace AdoType {
constexpr int SmallInt = 2, Integer = 3, Single = 4, Double = 5, Currency = 6, Boolean = 11, Variant = 12,
              TinyInt = 16, UnsignedTinyInt = 17, BigInt = 20, Guid = 72, Binary = 128, Char = 129, WChar = 130,
              Numeric = 131, DbDate = 133, DbTime = 134, DbTimeStamp = 135, VarChar = 200, LongVarChar = 201,
              VarWChar = 202, LongVarWChar = 203, VarBinary = 204, LongVarBinary = 205;
}

// Maps an ODBC concise SQL type (and the driver's type name, which tells money
// from decimal) to the ADO type code.
int GetADOType(int odbcSqlType, const QString& typeName);

class Field {
public:
    Field() = default;
    Field(QString name, int adoType) : name_(std::move(name)), type_(adoType) {}

    const QString& name() const { return name_; }
    int type() const { return type_; }
    bool isNull() const { return value_.isNull(); }
    // Whole numbers as qint64, bit as bool, float/real as double, decimal and
    // money as exact decimal text (QString), dates as QDateTime, GUIDs as
    // uppercase text, binary as QByteArray, everything else as QString. Null: a null QVariant.
    const QVariant& value() const { return value_; }
    // The value as every grid shows it (see valueToText).
    QString text() const;

    void setValue(QVariant value) { value_ = std::move(value); }

private:
    QString name_;
    int type_ = AdoType::Variant;
    QVariant value_;
};

// Text of a value for grids: decimal integers, exact decimal text, ISO 8601
// dates "yyyy-mm-dd hh:mm:ss.mmm", uppercase GUIDs, binary as "0x..." hex,
// bit true as "1" and false as "False"; null gives an empty string.
QString valueToText(const QVariant& value, int adoType);

// The text without the blanks at its ends; tabs and line breaks there stay.
QStringView trimBlanks(QStringView text);

}  // namespace norvane
