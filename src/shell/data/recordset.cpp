#include "shell/data/recordset.h"

#include "shell/data/connection_core.h"

#include <QDateTime>

#include <sqlucode.h>

#include <array>
#include <optional>

namespace norvane {

namespace {

DbError noCurrentRecord()
{
    return DbError(3021, QStringLiteral("HY000"),
                   QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                  "Requested operation requires a current record."));
}

DbError noSuchItem(const QString& what)
{
    return DbError(3265, QStringLiteral("HY000"),
                   QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal: %1.")
                       .arg(what));
}

// Reads a long value in pieces; returns false for NULL.
bool readChunks(const ConnectionCore& core, SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT cType,
                QByteArray& out)
{
    std::array<char, 16384> buffer;  // not cleared: only the bytes the driver wrote are read
    const int terminator = cType == SQL_C_WCHAR ? 2 : (cType == SQL_C_CHAR ? 1 : 0);
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(statement, column, cType, buffer.data(), buffer.size(), &indicator);
        if (rc == SQL_NO_DATA)
            return true;
        core.check(rc, SQL_HANDLE_STMT, statement, QStringLiteral("Reading a value"));
        if (indicator == SQL_NULL_DATA)
            return false;
        const qsizetype room = static_cast<qsizetype>(buffer.size()) - terminator;
        if (indicator == SQL_NO_TOTAL || indicator > room) {
            out.append(buffer.data(), room);
            continue;
        }
        out.append(buffer.data(), indicator);
        return true;
    }
}

QVariant readValue(const ConnectionCore& core, SQLHSTMT statement, SQLUSMALLINT column, int odbcType)
{
    SQLLEN indicator = 0;
    auto fixed = [&](SQLSMALLINT cType, void* target, SQLLEN size) {
        core.check(SQLGetData(statement, column, cType, target, size, &indicator), SQL_HANDLE_STMT, statement,
                   QStringLiteral("Reading a value"));
        return indicator != SQL_NULL_DATA;
    };
    switch (odbcType) {
    case SQL_BIT: {
        unsigned char bit = 0;
        return fixed(SQL_C_BIT, &bit, sizeof bit) ? QVariant(bit != 0) : QVariant();
    }
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT: {
        SQLBIGINT number = 0;
        return fixed(SQL_C_SBIGINT, &number, sizeof number) ? QVariant(static_cast<qint64>(number)) : QVariant();
    }
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: {
        double number = 0;
        return fixed(SQL_C_DOUBLE, &number, sizeof number) ? QVariant(number) : QVariant();
    }
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_DATE: {
        SQL_TIMESTAMP_STRUCT stamp{};
        if (!fixed(SQL_C_TYPE_TIMESTAMP, &stamp, sizeof stamp))
            return QVariant();
        const QDate date(stamp.year, stamp.month, stamp.day);
        const QTime time(stamp.hour, stamp.minute, stamp.second, static_cast<int>(stamp.fraction / 1000000));
        if (odbcType == SQL_TYPE_DATE || odbcType == SQL_DATE)
            return QVariant(date);
        return QVariant(QDateTime(date, time));
    }
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: {
        QByteArray bytes;
        return readChunks(core, statement, column, SQL_C_BINARY, bytes) ? QVariant(bytes) : QVariant();
    }
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_GUID: {
        QByteArray text;
        if (!readChunks(core, statement, column, SQL_C_CHAR, text))
            return QVariant();
        return QVariant(QString::fromLatin1(text));
    }
    default: {
        QByteArray text;
        if (!readChunks(core, statement, column, SQL_C_WCHAR, text))
            return QVariant();
        return QVariant(QString::fromUtf16(reinterpret_cast<const char16_t*>(text.constData()), text.size() / 2));
    }
    }
}

}  // namespace

Recordset::~Recordset()
{
    try {
        close();
    } catch (const DbError&) {
        // A destructor cannot report; callers that care call close() themselves.
    }
}

Recordset::Recordset(Recordset&& other) noexcept
    : core_(std::move(other.core_)),
      statement_(std::move(other.statement_)),
      fields_(std::move(other.fields_)),
      odbcTypes_(std::move(other.odbcTypes_)),
      eof_(other.eof_),
      position_(other.position_),
      recordCount_(other.recordCount_),
      rowsAffected_(other.rowsAffected_)
{
    if (core_)
        core_->replaceRecordset(&other, this);
    other.eof_ = true;
}

Recordset& Recordset::operator=(Recordset&& other) noexcept
{
    if (this != &other) {
        try {
            close();
        } catch (const DbError&) {
        }
        core_ = std::move(other.core_);
        statement_ = std::move(other.statement_);
        fields_ = std::move(other.fields_);
        odbcTypes_ = std::move(other.odbcTypes_);
        eof_ = other.eof_;
        position_ = other.position_;
        recordCount_ = other.recordCount_;
        rowsAffected_ = other.rowsAffected_;
        if (core_)
            core_->replaceRecordset(&other, this);
        other.eof_ = true;
    }
    return *this;
}

bool Recordset::eof() const
{
    return eof_;
}

void Recordset::startResult()
{
    fields_.clear();
    odbcTypes_.clear();
    recordCount_ = -1;
    SQLHSTMT statement = statement_.get();
    SQLSMALLINT columns = 0;
    core_->check(SQLNumResultCols(statement, &columns), SQL_HANDLE_STMT, statement, QStringLiteral("Describing the result"));
    if (columns == 0) {
        SQLLEN count = -1;
        if (SQL_SUCCEEDED(SQLRowCount(statement, &count)) && count >= 0) {
            rowsAffected_ = count;
            if (core_->rowCountHandler)
                core_->rowCountHandler(count);
        }
        eof_ = true;
        return;
    }
    for (SQLUSMALLINT column = 1; column <= columns; ++column) {
        std::array<SQLWCHAR, 256> name{};
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT sqlType = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        core_->check(SQLDescribeColW(statement, column, name.data(), name.size(), &nameLength, &sqlType, &size, &digits,
                                     &nullable),
                     SQL_HANDLE_STMT, statement, QStringLiteral("Describing a column"));
        std::array<SQLWCHAR, 128> typeName{};
        SQLSMALLINT typeNameBytes = 0;
        SQLColAttributeW(statement, column, SQL_DESC_TYPE_NAME, typeName.data(), sizeof(typeName), &typeNameBytes, nullptr);
        const QString columnName = QString::fromUtf16(reinterpret_cast<const char16_t*>(name.data()),
                                                      qMin<qsizetype>(nameLength, name.size() - 1));
        const QString type = QString::fromUtf16(reinterpret_cast<const char16_t*>(typeName.data()),
                                                qMin<qsizetype>(typeNameBytes / 2, typeName.size() - 1));
        fields_.emplace_back(columnName, GetADOType(sqlType, type));
        odbcTypes_.push_back(sqlType);
    }
    eof_ = false;
    position_ = 0;
    fetchRow();
}

void Recordset::fetchRow()
{
    SQLHSTMT statement = statement_.get();
    SQLRETURN rc;
    {
        const RunningStatement running(*core_, statement);
        rc = SQLFetch(statement);
    }
    if (rc == SQL_NO_DATA) {
        eof_ = true;
        clearValues();
        if (recordCount_ < 0)
            recordCount_ = static_cast<qint64>(position_);
        return;
    }
    core_->check(rc, SQL_HANDLE_STMT, statement, QStringLiteral("Fetching a row"));
    for (std::size_t i = 0; i < fields_.size(); ++i)
        fields_[i].setValue(readValue(*core_, statement, static_cast<SQLUSMALLINT>(i + 1), odbcTypes_[i]));
    ++position_;
}

void Recordset::moveNext()
{
    if (eof_)
        throw noCurrentRecord();
    fetchRow();
}

void Recordset::clearValues()
{
    for (Field& field : fields_)
        field.setValue(QVariant());
}

const Field& Recordset::field(int index) const
{
    if (index < 0 || index >= fieldCount())
        throw noSuchItem(QString::number(index));
    return fields_[static_cast<std::size_t>(index)];
}

const Field& Recordset::field(const QString& name) const
{
    for (const Field& candidate : fields_)
        if (candidate.name().compare(name, Qt::CaseInsensitive) == 0)
            return candidate;
    throw noSuchItem(name);
}

bool Recordset::advanceToNextResultWithColumns()
{
    fields_.clear();
    odbcTypes_.clear();
    eof_ = true;
    while (statement_.valid()) {
        SQLHSTMT statement = statement_.get();
        SQLRETURN rc;
        {
            const RunningStatement running(*core_, statement);
            rc = SQLMoreResults(statement);
        }
        if (rc == SQL_NO_DATA) {
            core_->unregisterRecordset(this);
            statement_.reset();
            return false;
        }
        core_->check(rc, SQL_HANDLE_STMT, statement, QStringLiteral("Reading the next result"));
        startResult();
        if (!fields_.empty())
            return true;
    }
    return false;
}

bool Recordset::nextResult()
{
    if (!statement_.valid()) {
        fields_.clear();
        eof_ = true;
        return false;
    }
    return advanceToNextResultWithColumns();
}

void Recordset::drain()
{
    std::optional<DbError> firstError;
    // A dead link answers every call with an error; stop on those instead of looping.
    for (int attempts = 0; statement_.valid() && attempts < 1000000; ++attempts) {
        try {
            if (!advanceToNextResultWithColumns())
                break;
        } catch (const DbError& error) {
            if (!firstError)
                firstError = error;
            if (error.sqlState().startsWith(QLatin1String("08")) || error.sqlState() == QLatin1String("HY010") ||
                error.sqlState() == QLatin1String("HY008"))
                break;
        }
    }
    if (firstError)
        throw *firstError;
}

void Recordset::abandon()
{
    if (!core_)
        return;
    // Closing a statement with unread results makes the driver send the attention itself.
    if (statement_.valid()) {
        SQLFreeStmt(statement_.get(), SQL_CLOSE);
        statement_.reset();
    }
    core_->unregisterRecordset(this);
    core_.reset();
    eof_ = true;
    clearValues();
}

void Recordset::close()
{
    if (!core_)
        return;
    std::optional<DbError> failure;
    if (statement_.valid()) {
        try {
            drain();
        } catch (const DbError& error) {
            failure = error;
        }
    }
    statement_.reset();
    core_->unregisterRecordset(this);
    core_.reset();
    eof_ = true;
    if (failure)
        throw *failure;
}

}  // namespace norvane
