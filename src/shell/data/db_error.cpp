#include "shell/data/db_error.h"

namespace norvane {

DbError::DbError(int nativeError, QString sqlState, QString description)
    : std::runtime_error(description.toStdString()),
      nativeError_(nativeError),
      sqlState_(std::move(sqlState)),
      description_(std::move(description))
{
}

QString stripDriverPrefixes(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size() && text.at(start) == QLatin1Char('[')) {
        const qsizetype close = text.indexOf(QLatin1Char(']'), start);
        if (close < 0)
            break;
        start = close + 1;
    }
    return text.mid(start);
}

}  // namespace norvane
