#pragma once
// The ResultSink that turns what the engine reports into TDS tokens: result
// sets, messages (informational ones delivered at once), database changes and
// the DONE of each statement with the right MORE / COUNT / ERROR bits.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/result_sink.h"
#include "tds/packet.h"
#include "tds/wire.h"

namespace sandbox::tds {

class TokenSink : public ResultSink {
public:
    // isCancelled: true once the client sent an attention or went away.
    TokenSink(PacketWriter& writer, std::string serverName, std::function<bool()> isCancelled);

    void beginResult(const std::vector<ResultColumn>& columns) override;
    void row(const std::vector<Value>& values) override;
    void message(const ServerMessage& message) override;
    void databaseChanged(const std::string& oldName, const std::string& newName) override;
    void statementDone(std::optional<std::int64_t> rowCount, bool failed) override;
    bool cancelled() const override;

    // Ends the response: the last DONE without MORE (a bare DONE when the batch said nothing).
    // The caller flushes the writer with end-of-message.
    void finish();

    // True once a message of severity 20 or higher went out: SQL Server ends the connection after it.
    bool fatal() const { return fatal_; }

private:
    struct PendingDone {
        std::uint16_t status = 0;
        std::uint16_t command = 0;
        std::int64_t rowCount = 0;
    };

    // Writes the previous statement's DONE with MORE, since more tokens follow.
    void releasePendingDone();
    void send(const ByteWriter& tokens) { writer_.append(tokens); }
    void writeMessageToken(const ServerMessage& message);

    PacketWriter& writer_;
    std::string serverName_;
    std::function<bool()> isCancelled_;
    std::optional<PendingDone> pendingDone_;
    std::vector<ResultColumn> columns_;
    bool fatal_ = false;
    bool resultOpen_ = false;
    bool resultFailed_ = false;
    std::int64_t rowsSent_ = 0;
};

}  // namespace sandbox::tds
