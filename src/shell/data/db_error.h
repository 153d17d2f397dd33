#pragma once
// Failures and messages of the data access layer.
#include <QString>

#include <functional>
#include <stdexcept>

namespace norvane {

// A failing database call: the driver's native error number, SQLSTATE and the
// server's message text with the driver's "[vendor][component]" prefixes removed.
class DbError : public std::runtime_error {
public:
    DbError(int nativeError, QString sqlState, QString description);

    int nativeError() const { return nativeError_; }
    const QString& sqlState() const { return sqlState_; }
    const QString& description() const { return description_; }

private:
    int nativeError_;
    QString sqlState_;
    QString description_;
};

// An informational message (PRINT, progress, "Changed database context ..."),
// handed over as it arrives.
struct DbMessage {
    int nativeError = 0;
    QString sqlState;
    QString text;
};
using MessageHandler = std::function<void(const DbMessage&)>;

// Removes leading "[...]" groups that drivers put before a server's text.
QString stripDriverPrefixes(const QString& text);

}  // namespace norvane
