#include "shell/data/field.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>

using namespace norvane;

// Integers, bits, dates, binary values and NULL are read end to end by the catalog helpers' ShowRows test.
TEST(ValueText, ShowsEachKindAsTheGridsDo)
{
    EXPECT_EQ(valueToText(QVariant(QString("12345.6789")), AdoType::Currency), "12345.6789");
    EXPECT_EQ(valueToText(QVariant(QString("00112233-4455-6677-8899-aabbccddeeff")), AdoType::Guid),
              "00112233-4455-6677-8899-AABBCCDDEEFF");
    EXPECT_EQ(valueToText(QVariant(0.1), AdoType::Double), "0.1");
    EXPECT_EQ(valueToText(QVariant(), AdoType::VarChar), "");
}
