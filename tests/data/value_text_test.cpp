#include "shell/data/field.h"

#include <QDateTime>

#include "support/qt_printers.h"

#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

using namespace norvane;

TEST(ValueText, ShowsEachKindAsTheGridsDo)
{
    EXPECT_EQ(valueToText(QVariant(qint64(-42)), AdoType::Integer), "-42");
    EXPECT_EQ(valueToText(QVariant(qint64(9007199254740993LL)), AdoType::BigInt), "9007199254740993");
    EXPECT_EQ(valueToText(QVariant(QString("12345.6789")), AdoType::Currency), "12345.6789");
    EXPECT_EQ(valueToText(QVariant(true), AdoType::Boolean), "1");
    EXPECT_EQ(valueToText(QVariant(false), AdoType::Boolean), "False");
    EXPECT_EQ(valueToText(QVariant(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6, 7))), AdoType::DbTimeStamp),
              "2001-02-03 04:05:06.007");
    EXPECT_EQ(valueToText(QVariant(QByteArray("\xde\xad\x01", 3)), AdoType::VarBinary), "0xDEAD01");
    EXPECT_EQ(valueToText(QVariant(QString("00112233-4455-6677-8899-aabbccddeeff")), AdoType::Guid),
              "00112233-4455-6677-8899-AABBCCDDEEFF");
    EXPECT_EQ(valueToText(QVariant(0.1), AdoType::Double), "0.1");
    EXPECT_EQ(valueToText(QVariant(), AdoType::VarChar), "");
}
