#pragma once
// A fresh SQLite database with SQL Server's catalog, and helpers to run DDL and read rows as text.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cctype>
#include <cstdio>
#include <unistd.h>
#include <filesystem>
#include <string>
#include <vector>

#include "catalog/ddl.h"
#include "engine/sql_error.h"
#include "engine/sqlite_function_support.h"
#include "engine/tokenizer.h"

namespace sandbox::catalog::testing {

using Rows = std::vector<std::vector<std::string>>;

// Case-insensitive, trailing blanks ignored: what the engine registers as SQLSERVER.
inline int compareSqlServer(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    std::string_view left(static_cast<const char*>(a), static_cast<std::size_t>(lengthA));
    std::string_view right(static_cast<const char*>(b), static_cast<std::size_t>(lengthB));
    while (!left.empty() && left.back() == ' ')
        left.remove_suffix(1);
    while (!right.empty() && right.back() == ' ')
        right.remove_suffix(1);
    for (std::size_t i = 0; i < left.size() && i < right.size(); ++i) {
        const int x = std::tolower(static_cast<unsigned char>(left[i]));
        const int y = std::tolower(static_cast<unsigned char>(right[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return left.size() == right.size() ? 0 : left.size() < right.size() ? -1 : 1;
}

struct RecordedMessage {
    int number;
    int severity;
    std::string text;
    std::string procName;
};

class MessageSink : public ResultSink {
public:
    void beginResult(const std::vector<ResultColumn>&) override {}
    void row(const std::vector<Value>&) override {}
    void message(const ServerMessage& message) override
    {
        messages.push_back({message.number, message.severity, message.text, message.procName});
    }
    void databaseChanged(const std::string&, const std::string&) override {}
    void statementDone(std::optional<std::int64_t>, bool) override {}
    bool cancelled() const override { return false; }

    std::vector<RecordedMessage> messages;
};

class CatalogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                ("catalog_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" + std::to_string(::getpid()) + ".db");
        std::filesystem::remove(path_);
        ASSERT_EQ(sqlite3_open(path_.c_str(), &db_), SQLITE_OK);
        sqlite3_create_collation(db_, "SQLSERVER", SQLITE_UTF8, nullptr, compareSqlServer);
        registerExactFunctions(db_);  // decimal and money columns are declared with its collation
        createCatalog(db_, databaseName(), isMaster());
    }

    void TearDown() override
    {
        sqlite3_close(db_);
        std::filesystem::remove(path_);
    }

    virtual bool isMaster() const { return false; }
    virtual std::string databaseName() const { return "Shop"; }

    // Runs one batch through the DDL entry point; returns whether it was handled.
    bool run(const std::string& batch)
    {
        batches_.push_back(batch);
        const std::string& source = batches_.back();
        tokens_.push_back(tokenize(source));
        DdlContext context{db_, "Shop", "dbo", &sink};
        return executeDdl(context, tokens_.back(), 0, tokens_.back().size() - 1, source);
    }

    // The SqlError a batch raises, as "number severity: text".
    std::string failure(const std::string& batch)
    {
        try {
            run(batch);
        } catch (const SqlError& error) {
            return std::to_string(error.number) + " " + std::to_string(error.severity) + ": " + error.what();
        }
        return "no error";
    }

    Rows rows(const std::string& sql)
    {
        Rows result;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(db_) << " in " << sql;
            return result;
        }
        while (sqlite3_step(statement) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const auto* text = sqlite3_column_text(statement, i);
                row.push_back(text ? reinterpret_cast<const char*>(text) : "NULL");
            }
            result.push_back(row);
        }
        sqlite3_finalize(statement);
        return result;
    }

    std::string value(const std::string& sql)
    {
        const Rows result = rows(sql);
        return result.empty() || result.front().empty() ? "no row" : result.front().front();
    }

    void exec(const std::string& sql)
    {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            ADD_FAILURE() << (message ? message : "?") << " in " << sql;
            sqlite3_free(message);
        }
    }

    std::string idOf(const std::string& name) { return value("SELECT id FROM sysobjects WHERE name = '" + name + "'"); }

    static std::string hex8(const std::string& id)
    {
        char text[16];
        std::snprintf(text, sizeof text, "%08llX", std::stoull(id));
        return text;
    }

    sqlite3* db_ = nullptr;
    MessageSink sink;

private:
    std::filesystem::path path_;
    std::vector<std::string> batches_;
    std::vector<std::vector<Token>> tokens_;
};

}  // namespace sandbox::catalog::testing
