#pragma once
// Test helpers for the engine: a ResultSink that records everything in order, and a
// fixture with an Engine on a fresh temporary data directory.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace sandbox::test {

struct RecordedResult {
    std::vector<ResultColumn> columns;
    std::vector<std::vector<Value>> rows;
};

struct RecordedDone {
    std::optional<std::int64_t> rowCount;
    bool failed = false;
};

class RecordingSink final : public ResultSink {
public:
    void beginResult(const std::vector<ResultColumn>& columns) override { results.push_back({columns, {}}); }
    void row(const std::vector<Value>& values) override
    {
        results.back().rows.push_back(values);
        if (cancelAfterRows > 0 && ++rowsSeen >= cancelAfterRows)
            cancel = true;
    }
    void message(const ServerMessage& m) override { messages.push_back(m); }
    void databaseChanged(const std::string& from, const std::string& to) override { changes.emplace_back(from, to); }
    void statementDone(std::optional<std::int64_t> rowCount, bool failed) override { dones.push_back({rowCount, failed}); }
    bool cancelled() const override { return cancel; }

    // The errors (severity > 10) as "number: text".
    std::vector<std::string> errors() const
    {
        std::vector<std::string> list;
        for (const ServerMessage& m : messages)
            if (m.severity > 10)
                list.push_back(std::to_string(m.number) + ": " + m.text);
        return list;
    }

    std::vector<RecordedResult> results;
    std::vector<ServerMessage> messages;
    std::vector<std::pair<std::string, std::string>> changes;
    std::vector<RecordedDone> dones;
    bool cancel = false;
    int cancelAfterRows = 0;
    int rowsSeen = 0;
};

inline std::string text(const Value& v)
{
    if (const auto* s = std::get_if<std::string>(&v))
        return *s;
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return std::to_string(*i);
    if (std::holds_alternative<Null>(v))
        return "NULL";
    if (const auto* d = std::get_if<double>(&v))
        return std::to_string(*d);
    return "<bytes>";
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device random;
        directory = std::filesystem::temp_directory_path() /
                    ("norvane-engine-" + std::to_string(random()) + "-" + std::to_string(random()));
        engine = std::make_unique<Engine>(directory);
        session = engine->openSession(SessionInfo{51, "sa", "testhost", "engine tests"});
    }
    void TearDown() override
    {
        session.reset();
        engine.reset();
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }

    // Runs a batch and fails the test on any error.
    RecordingSink run(const std::string& sql)
    {
        RecordingSink sink;
        session->executeBatch(sql, sink);
        EXPECT_TRUE(sink.errors().empty()) << sql << "\n" << (sink.errors().empty() ? "" : sink.errors()[0]);
        return sink;
    }
    // Runs a batch that is expected to fail; returns its errors.
    std::vector<std::string> fail(const std::string& sql)
    {
        RecordingSink sink;
        session->executeBatch(sql, sink);
        return sink.errors();
    }
    // First column of every row of the batch's only (last) result, as text.
    std::vector<std::string> column(const std::string& sql, std::size_t index = 0)
    {
        RecordingSink sink = run(sql);
        std::vector<std::string> values;
        if (sink.results.empty()) {
            ADD_FAILURE() << "no result for " << sql;
            return values;
        }
        for (const auto& row : sink.results.back().rows)
            values.push_back(text(row.at(index)));
        return values;
    }

    std::filesystem::path directory;
    std::unique_ptr<Engine> engine;
    std::unique_ptr<EngineSession> session;
};

}  // namespace sandbox::test
