#pragma once
// The engine on a fresh data directory, and everything a batch reports rendered as one text, in order:
//   [name type, ...]       a result's columns: char and binary types with their length, decimal and numeric
//                          with precision and scale, "?" after a nullable column; only their count, [N], when
//                          headings is off
//   a|b|NULL|0x0AFF        a row; a value's trailing blanks are shown as {+N}
//   (N rows)               the count of a statement that sent no rows
//   Msg N, Level L: text   a message (", Procedure P" when a procedure sent it)
//   [database a -> b]      a change of the current database
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/value_text.h"

namespace sandbox::test {

class Transcript : public ResultSink {
public:
    explicit Transcript(bool headings = true) : headings(headings) {}

    void beginResult(const std::vector<ResultColumn>& columns) override
    {
        inResult = true;
        if (!headings)
            return add("[" + std::to_string(columns.size()) + "]");
        std::string line = "[";
        for (const ResultColumn& c : columns)
            line += (line.size() > 1 ? ", " : "") + (c.name.empty() ? "" : c.name + " ") + typeText(c.type);
        add(line + "]");
    }
    void row(const std::vector<Value>& values) override
    {
        std::string line;
        for (std::size_t i = 0; i < values.size(); ++i)
            line += (i ? "|" : "") + cell(values[i]);
        add(line);
    }
    void message(const ServerMessage& m) override
    {
        errors += m.severity > 10;
        ++messages;
        add("Msg " + std::to_string(m.number) + ", Level " + std::to_string(m.severity) +
            (m.procName.empty() ? "" : ", Procedure " + m.procName) + ": " + m.text);
    }
    void databaseChanged(const std::string& from, const std::string& to) override
    {
        add("[database " + from + " -> " + to + "]");
    }
    void statementDone(std::optional<std::int64_t> rowCount, bool) override
    {
        if (rowCount && !inResult)
            add("(" + std::to_string(*rowCount) + " rows)");
        inResult = false;
    }
    bool cancelled() const override { return cancelAfterMessages > 0 && messages >= cancelAfterMessages; }

    static std::string typeText(const ColumnType& type)
    {
        const SqlType t = type.type;
        std::string text = typeName(t);
        if (t == SqlType::Char || t == SqlType::VarChar || t == SqlType::NChar || t == SqlType::NVarChar ||
            t == SqlType::Binary || t == SqlType::VarBinary)
            text += "(" + std::to_string(type.length) + ")";
        else if (t == SqlType::Decimal || t == SqlType::Numeric)
            text += "(" + std::to_string(type.precision) + "," + std::to_string(type.scale) + ")";
        return text + (type.nullable ? "?" : "");
    }
    static std::string cell(const Value& value)
    {
        if (const auto* s = std::get_if<std::string>(&value)) {
            const std::size_t end = s->find_last_not_of(' ') + 1; // npos + 1 == 0: all blanks
            return end == s->size() ? *s : s->substr(0, end) + "{+" + std::to_string(s->size() - end) + "}";
        }
        if (const auto* i = std::get_if<std::int64_t>(&value))
            return std::to_string(*i);
        if (const auto* d = std::get_if<double>(&value)) {
            char text[32];
            std::snprintf(text, sizeof text, "%.15g", *d);
            return text;
        }
        if (std::holds_alternative<Null>(value))
            return "NULL";
        std::string hex = "0x";
        for (std::uint8_t byte : std::get<Bytes>(value))
            hex += {"0123456789ABCDEF"[byte >> 4], "0123456789ABCDEF"[byte & 15]};
        return hex;
    }

    const bool headings;
    std::string text;
    int errors = 0;
    int messages = 0;
    int cancelAfterMessages = 0; // asks to stop once this many messages came

private:
    bool inResult = false;
    void add(const std::string& line) { text += (text.empty() ? "" : "\n") + line; }
};

// One statement (or batch) and the whole transcript it must give.
struct Case {
    std::string sql;
    std::string expected;
};

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

    std::string run(const std::string& sql, EngineSession* on = nullptr)
    {
        Transcript transcript(headings);
        (on ? on : session.get())->executeBatch(sql, transcript);
        return transcript.text;
    }
    // Batches that set a test up: any error fails the test.
    void prepare(const std::vector<std::string>& batches)
    {
        for (const std::string& sql : batches) {
            Transcript transcript;
            session->executeBatch(sql, transcript);
            EXPECT_EQ(transcript.errors, 0) << sql << "\n" << transcript.text;
        }
    }
    // Runs the cases in order on the test's session; a failure names its statement.
    void expectTranscripts(const std::vector<Case>& cases)
    {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.sql);
            EXPECT_EQ(run(c.sql), c.expected);
        }
    }

    bool headings = true; // results of run() and expectTranscripts() start with their columns
    std::filesystem::path directory;
    std::unique_ptr<Engine> engine;
    std::unique_ptr<EngineSession> session;
};

} // namespace sandbox::test
