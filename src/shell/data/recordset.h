#pragma once
// A query's result, streamed forward-only from the server.
#include "shell/data/field.h"
#include "shell/data/odbc_handles.h"

#include <QString>

#include <memory>
#include <vector>

namespace norvane {

class ConnectionCore;

class Recordset {
public:
    Recordset() = default;
    ~Recordset();
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;

    bool isOpen() const { return statement_.valid(); }
    bool eof() const;
    // Moves to the next row; past EOF it is an error (DbError).
    void moveNext();
    // Rows in the result: known before the first row when counted, else -1 until EOF.
    qint64 recordCount() const { return recordCount_; }

    int fieldCount() const { return static_cast<int>(fields_.size()); }
    const Field& field(int index) const;
    const Field& field(const QString& name) const;  // case-insensitive; DbError when unknown
    const std::vector<Field>& fields() const { return fields_; }

    // Moves on to the batch's next result set that has columns; false when none is left.
    bool nextResult();
    // Rows affected by the last statement of the batch that reported a count, -1 if none.
    qint64 rowsAffected() const { return rowsAffected_; }

    // Reads the rest of the batch's results (delivering their messages) and frees the statement.
    void close();
    // Stops reading a result that is not wanted to its end: asks the server to stop sending
    // (an attention) and frees the statement. The rest of the batch is lost, so this is for
    // plain queries only, never for work that must run to completion such as a backup.
    void abandon();

private:
    friend class Connection;
    void startResult();       // describes the current result's columns
    void fetchRow();          // reads the next row into fields_, or sets eof_
    void clearValues();       // no current row: every value reads as null
    bool advanceToNextResultWithColumns();
    void drain();

    std::shared_ptr<ConnectionCore> core_;
    StatementHandle statement_;
    std::vector<Field> fields_;
    std::vector<int> odbcTypes_;
    bool eof_ = true;
    std::size_t position_ = 0;
    qint64 recordCount_ = -1;
    qint64 rowsAffected_ = -1;
};

}  // namespace norvane
