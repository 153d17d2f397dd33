#include "tds/token_sink.h"

#include "tds/tokens.h"
#include "tds/type_encoding.h"

namespace sandbox::tds {
namespace {

// SQL Server allows 4096 columns in a select list.
constexpr std::size_t maxColumns = 4096;

}  // namespace

TokenSink::TokenSink(PacketWriter& writer, std::string serverName, std::function<bool()> isCancelled)
    : writer_(writer), serverName_(std::move(serverName)), isCancelled_(std::move(isCancelled))
{
}

bool TokenSink::cancelled() const
{
    return fatal_ || writer_.failed() || isCancelled_();
}

void TokenSink::releasePendingDone()
{
    if (!pendingDone_)
        return;
    ByteWriter out;
    writeDone(out, token::done, pendingDone_->status | done_status::more, pendingDone_->command,
              pendingDone_->rowCount);
    pendingDone_.reset();
    send(out);
}

void TokenSink::writeMessageToken(const ServerMessage& message)
{
    ByteWriter out;
    writeMessage(out, message, serverName_);
    send(out);
}

void TokenSink::beginResult(const std::vector<ResultColumn>& columns)
{
    if (cancelled())
        return;
    releasePendingDone();
    resultOpen_ = true;
    resultFailed_ = false;
    rowsSent_ = 0;
    columns_ = columns;
    if (columns_.empty() || columns_.size() > maxColumns) {
        // Not a result a client can read: report it instead of sending a broken COLMETADATA.
        resultFailed_ = true;
        ServerMessage error;
        error.number = columns_.empty() ? 50000 : 1056;
        error.severity = 16;
        error.text = columns_.empty() ? "A result set must have at least one column."
                                      : "The number of elements in the select list exceeds the maximum allowed "
                                        "number of 4096 elements.";
        writeMessageToken(error);
        return;
    }
    ByteWriter out;
    writeColumnMetadata(out, columns_);
    send(out);
}

void TokenSink::row(const std::vector<Value>& values)
{
    if (cancelled() || !resultOpen_ || resultFailed_)
        return;
    ByteWriter out;
    try {
        writeRow(out, columns_, values);
    } catch (const ConversionError& conversion) {
        // The row cannot be sent as its column types say; end the result with SQL Server's error.
        resultFailed_ = true;
        ServerMessage error;
        error.number = conversion.number;
        error.severity = 16;
        error.text = conversion.what();
        writeMessageToken(error);
        return;
    }
    ++rowsSent_;
    send(out);
}

void TokenSink::message(const ServerMessage& message)
{
    if (cancelled())
        return;
    releasePendingDone();
    writeMessageToken(message);
    if (message.severity >= 20) {
        // Nothing follows but the DONE that ends the response; the session then closes.
        fatal_ = true;
        resultOpen_ = false;
        pendingDone_ = PendingDone{done_status::error, 0, 0};
        return;
    }
    if (message.severity <= 10 && !resultOpen_) {
        // A DONE after the message makes the client hand it over now, not at the end of the batch
        // (FreeTDS returns from SQLExecDirect/SQLMoreResults at a DONE that follows messages; a
        // DONEINPROC alone does not do it).
        ByteWriter out;
        writeDone(out, token::done, done_status::more, 0, 0);
        send(out);
        writer_.flush(false);
    }
}

void TokenSink::databaseChanged(const std::string& oldName, const std::string& newName)
{
    if (cancelled())
        return;
    releasePendingDone();
    ByteWriter out;
    writeEnvChange(out, env_change::database, newName, oldName);
    send(out);
}

void TokenSink::statementDone(std::optional<std::int64_t> rowCount, bool failed)
{
    if (cancelled())
        return;
    releasePendingDone();
    PendingDone done;
    if (resultOpen_ && !resultFailed_ && rowCount)
        done.rowCount = rowsSent_;  // the rows the client really received
    else if (rowCount)
        done.rowCount = *rowCount;
    if (rowCount && !(resultOpen_ && resultFailed_))
        done.status |= done_status::count;
    if (failed || resultFailed_)
        done.status |= done_status::error;
    done.command = resultOpen_ ? selectCommand : 0;
    resultOpen_ = false;
    resultFailed_ = false;
    pendingDone_ = done;
}

void TokenSink::finish()
{
    if (resultOpen_)
        statementDone(rowsSent_, false);
    ByteWriter out;
    if (pendingDone_)
        writeDone(out, token::done, pendingDone_->status, pendingDone_->command, pendingDone_->rowCount);
    else
        writeDone(out, token::done, 0, 0, 0);
    pendingDone_.reset();
    send(out);
}

}  // namespace sandbox::tds
