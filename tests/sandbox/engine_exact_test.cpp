// decimal, numeric, money and smallmoney columns keep every digit: stored as exact text, rounded to the
// column's scale, compared and sorted as numbers, and refused with 8115 when they do not fit.
#include "engine_recording_sink.h"

#include "engine/exact_decimal.h"
#include "engine/value_text.h"

namespace sandbox::test {
namespace {

class EngineExactTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        run("CREATE DATABASE Shop");
        run("USE Shop CREATE TABLE Ledger (ID int NOT NULL PRIMARY KEY, Amount money NULL, Small smallmoney NULL, "
            "Big decimal(38,10) NULL, Price decimal(19,4) NULL, Rate numeric(5,2) NULL)");
        run("INSERT INTO Ledger VALUES (1, 922337203685477.5807, 214748.3647, 1234567890123456789012345678.0123456789, "
            "123456789012.3456, 1.5)\n"
            "INSERT INTO Ledger VALUES (2, -922337203685477.5808, -214748.3648, -0.00000000005, 1.23456, -999.994)\n"
            "INSERT INTO Ledger (ID, Amount, Small, Big, Price, Rate) VALUES (3, 10, 5, 2.5, 10, 7)");
    }
};

TEST_F(EngineExactTest, ValuesComeBackWithEveryDigitRoundedToTheColumnScale)
{
    RecordingSink sink = run("SELECT Amount, Small, Big, Price, Rate FROM Ledger ORDER BY ID");
    ASSERT_EQ(sink.results.size(), 1u);
    const auto& result = sink.results[0];
    EXPECT_EQ(result.columns[0].type.type, SqlType::Money);
    EXPECT_EQ(result.columns[2].type.type, SqlType::Decimal);
    EXPECT_EQ(result.columns[2].type.precision, 38);
    EXPECT_EQ(result.columns[2].type.scale, 10);
    EXPECT_EQ(result.columns[4].type.type, SqlType::Numeric);
    std::vector<std::vector<std::string>> rows;
    for (const auto& row : result.rows) {
        rows.emplace_back();
        for (const auto& value : row)
            rows.back().push_back(text(value));
    }
    EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{
                        {"922337203685477.5807", "214748.3647", "1234567890123456789012345678.0123456789", "123456789012.3456", "1.50"},
                        {"-922337203685477.5808", "-214748.3648", "-0.0000000001", "1.2346", "-999.99"},
                        {"10.0000", "5.0000", "2.5000000000", "10.0000", "7.00"}}));

    // UPDATE rounds and keeps digits the same way, negative literals included.
    run("UPDATE Ledger SET Price = -98765432109876.54325, Big = Big + 0, Rate = 0.005 WHERE ID = 3");
    EXPECT_EQ(column("SELECT Price FROM Ledger WHERE ID = 3"), (std::vector<std::string>{"-98765432109876.5433"}));
    EXPECT_EQ(column("SELECT Rate FROM Ledger WHERE ID = 3"), (std::vector<std::string>{"0.01"}));
    EXPECT_EQ(column("SELECT Big FROM Ledger WHERE ID = 3"), (std::vector<std::string>{"2.5000000000"}));
}

TEST_F(EngineExactTest, ComparisonsSortingAndAggregatesStayNumeric)
{
    EXPECT_EQ(column("SELECT ID FROM Ledger WHERE Amount > 10"), (std::vector<std::string>{"1"}));
    EXPECT_EQ(column("SELECT ID FROM Ledger WHERE 10 <= Amount ORDER BY ID"), (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(column("SELECT ID FROM Ledger WHERE Price = 1.2346"), (std::vector<std::string>{"2"}));
    EXPECT_EQ(column("SELECT ID FROM Ledger WHERE Price BETWEEN 2 AND 200 OR Amount < -922337203685477"),
              (std::vector<std::string>{"2", "3"}));
    EXPECT_EQ(column("SELECT ID FROM Ledger WHERE Small > ID ORDER BY ID"), (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(column("SELECT ID FROM Ledger ORDER BY Price DESC"), (std::vector<std::string>{"1", "3", "2"}));
    EXPECT_EQ(column("SELECT ID FROM Ledger ORDER BY Big"), (std::vector<std::string>{"2", "3", "1"}));
    EXPECT_EQ(column("SELECT ID FROM Ledger ORDER BY Rate"), (std::vector<std::string>{"2", "1", "3"}));

    RecordingSink sink = run("SELECT MAX(Amount), MIN(Amount), MAX(Big), SUM(Rate), COUNT(*) FROM Ledger");
    ASSERT_EQ(sink.results.size(), 1u);
    const auto& row = sink.results[0].rows.at(0);
    EXPECT_EQ(sink.results[0].columns[0].type.type, SqlType::Money);
    EXPECT_EQ(text(row[0]), "922337203685477.5807");
    EXPECT_EQ(text(row[1]), "-922337203685477.5808");
    EXPECT_EQ(text(row[2]), "1234567890123456789012345678.0123456789");
    EXPECT_NEAR(std::get<double>(row[3]), -991.49, 1e-9);  // 1.50 - 999.99 + 7.00

    // A name that is also a character column elsewhere compares by each column's own collation.
    run("CREATE TABLE Stock (Amount varchar(10) NOT NULL) INSERT INTO Stock VALUES ('abc')");
    EXPECT_EQ(column("SELECT ID FROM Ledger WHERE Amount > 10"), (std::vector<std::string>{"1"}));
    EXPECT_EQ(column("SELECT ID FROM Ledger WHERE Amount <= 10.0 ORDER BY ID"), (std::vector<std::string>{"2", "3"}));
    EXPECT_EQ(column("SELECT Amount FROM Stock WHERE Amount = 'ABC  '"), (std::vector<std::string>{"abc"}));
    run("DROP TABLE Stock");

    // Two such columns add as numbers, not as strings; CAST to int truncates.
    EXPECT_EQ(column("SELECT Small + Amount FROM Ledger WHERE ID = 3"), (std::vector<std::string>{"15.000000"}));
    EXPECT_EQ(column("SELECT CAST(Price AS int) FROM Ledger WHERE ID = 2"), (std::vector<std::string>{"1"}));
}

TEST_F(EngineExactTest, ValuesThatDoNotFitAreRefusedWith8115)
{
    EXPECT_EQ(fail("INSERT INTO Ledger (ID, Price) VALUES (4, 1234567890123456.5)"),
              (std::vector<std::string>{"8115: Arithmetic overflow error converting numeric to data type numeric."}));
    EXPECT_EQ(fail("INSERT INTO Ledger (ID, Rate) VALUES (4, 1000)"),
              (std::vector<std::string>{"8115: Arithmetic overflow error converting int to data type numeric."}));
    EXPECT_EQ(fail("INSERT INTO Ledger (ID, Amount) VALUES (4, 922337203685477.5808)"),
              (std::vector<std::string>{"8115: Arithmetic overflow error converting numeric to data type money."}));
    EXPECT_EQ(fail("UPDATE Ledger SET Small = -214748.3649 WHERE ID = 3"),
              (std::vector<std::string>{"8115: Arithmetic overflow error converting numeric to data type smallmoney."}));
    EXPECT_EQ(fail("UPDATE Ledger SET Rate = '1000.5' WHERE ID = 3"),
              (std::vector<std::string>{"8115: Arithmetic overflow error converting varchar to data type numeric."}));
    EXPECT_EQ(fail("INSERT INTO Ledger (ID, Price) VALUES (5, 'abc')"),
              (std::vector<std::string>{"8114: Error converting data type varchar to numeric."}));
    EXPECT_EQ(fail("UPDATE Ledger SET Rate = Price WHERE ID = 1"),
              (std::vector<std::string>{"8115: Arithmetic overflow error converting numeric to data type numeric."}));
    EXPECT_EQ(fail("INSERT INTO Ledger (ID, Rate) SELECT 20, Price FROM Ledger WHERE ID = 1"),
              (std::vector<std::string>{"8115: Arithmetic overflow error converting varchar to data type numeric."}));
    EXPECT_EQ(column("SELECT COUNT(*) FROM Ledger"), (std::vector<std::string>{"3"}));
    EXPECT_EQ(column("SELECT Small FROM Ledger WHERE ID = 3"), (std::vector<std::string>{"5.0000"}));
}

TEST_F(EngineExactTest, InsertSelectCopiesEveryDigitAndRoundsToTheTarget)
{
    run("INSERT INTO Ledger (ID, Amount, Big, Rate) SELECT ID + 10, Amount, Big, Rate FROM Ledger WHERE ID < 3");
    EXPECT_EQ(column("SELECT Amount FROM Ledger WHERE ID > 10 ORDER BY ID"),
              (std::vector<std::string>{"922337203685477.5807", "-922337203685477.5808"}));
    EXPECT_EQ(column("SELECT Big FROM Ledger WHERE ID > 10 ORDER BY ID"),
              (std::vector<std::string>{"1234567890123456789012345678.0123456789", "-0.0000000001"}));
    EXPECT_EQ(fail("INSERT INTO Ledger SELECT ID + 20, Amount, Small, Big, Price, Price FROM Ledger WHERE ID = 2"), std::vector<std::string>{});
    EXPECT_EQ(column("SELECT Rate FROM Ledger WHERE ID = 22"), (std::vector<std::string>{"1.23"}));
}

TEST(ExactDecimal, ParsesComparesRoundsAndFormats)
{
    auto compare = [](const char* a, const char* b) { return compareDecimal(*parseDecimalDigits(a), *parseDecimalDigits(b)); };
    EXPECT_EQ(compare("922337203685477.5807", "922337203685477.5806"), 1);
    EXPECT_EQ(compare("-10", "-9.99"), -1);
    EXPECT_EQ(compare("0.000", "-0"), 0);
    EXPECT_EQ(compare("12.50", "1.25e1"), 0);
    EXPECT_EQ(compare("0.01", "0.1"), -1);
    EXPECT_FALSE(parseDecimalDigits("12a"));
    EXPECT_FALSE(parseDecimalDigits("."));
    auto rounded = [](const char* text, int scale) {
        const auto scaled = scaleDecimal(*parseDecimalDigits(text), scale);
        return scaled ? formatScaled(*scaled, scale) : std::string("overflow");
    };
    EXPECT_EQ(rounded(" -2.345 ", 2), "-2.35");
    EXPECT_EQ(rounded("-0.004", 2), "0.00");
    EXPECT_EQ(rounded("99.995", 2), "100.00");
    EXPECT_EQ(rounded("7", 0), "7");
    EXPECT_EQ(rounded("99999999999999999999999999999999999999", 0), "99999999999999999999999999999999999999");
    EXPECT_EQ(rounded("99999999999999999999999999999999999999.5", 0), "overflow");

    // One table of storage sizes serves syscolumns.length and the TDS column length.
    EXPECT_EQ((std::vector<int>{decimalStorageBytes(1), decimalStorageBytes(9), decimalStorageBytes(10), decimalStorageBytes(19),
                                decimalStorageBytes(20), decimalStorageBytes(28), decimalStorageBytes(29), decimalStorageBytes(38)}),
              (std::vector<int>{5, 5, 9, 9, 13, 13, 17, 17}));
    EXPECT_EQ(typeName(SqlType::SmallMoney), "smallmoney");

    EXPECT_EQ(exactStorageType("decimal(19,4)"), "decimal text(19,4)");
    EXPECT_EQ(withoutExactStorage("decimal text(19,4)"), "decimal(19,4)");
    EXPECT_EQ(withoutExactStorage("money text"), "money");
    EXPECT_EQ(withoutExactStorage("text"), "text");
    EXPECT_EQ(parseTypeText("smallmoney text")->type, SqlType::SmallMoney);
}

}  // namespace
}  // namespace sandbox::test
