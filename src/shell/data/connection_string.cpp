#include "shell/data/connection_string.h"

#include "shell/data/db_error.h"

#include <QRegularExpression>
#include <QStringList>

namespace norvane {

namespace {

const QString kProvider = QStringLiteral("Provider=SQLOLEDB.1;");
const QString kSqlLoginPrefix = kProvider + QStringLiteral("User ID=");
const QString kIntegratedPrefix = kProvider + QStringLiteral("Integrated Security=SSPI");
const QString kPasswordMarker = QStringLiteral(";Pwd=");
const QString kCatalogMarker = QStringLiteral(";Initial Catalog=");
const QString kSourceMarker = QStringLiteral(";Data Source=");

DbError malformed(const QString& why)
{
    return DbError(0, QStringLiteral("HY000"), QStringLiteral("Invalid connection string: ") + why);
}

struct ServerAddress {
    QString host;
    QString port;
};

// "(local)", ".", "host", "host\instance", "host,port", "tcp:host,port".
ServerAddress parseDataSource(QString source)
{
    source = source.trimmed();
    if (source.startsWith(QLatin1String("tcp:"), Qt::CaseInsensitive))
        source = source.mid(4);
    ServerAddress address;
    const qsizetype comma = source.indexOf(QLatin1Char(','));
    if (comma >= 0) {
        address.port = source.mid(comma + 1).trimmed();
        source = source.left(comma).trimmed();
        bool ok = false;
        const int port = address.port.toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            throw malformed(QStringLiteral("the port \"%1\" is not a number from 1 to 65535.").arg(address.port));
    }
    QString instance;
    const qsizetype backslash = source.indexOf(QLatin1Char('\\'));
    if (backslash >= 0) {
        instance = source.mid(backslash);
        source = source.left(backslash);
    }
    if (source.isEmpty())
        throw malformed(QStringLiteral("the Data Source names no server."));
    // FreeTDS speaks TCP only and does not know the local-machine aliases.
    if (source == QLatin1String("(local)") || source == QLatin1String(".") ||
        source.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        source = QStringLiteral("127.0.0.1");
    address.host = source + instance;
    return address;
}

QString freeTdsString(const ServerAddress& address, const QString& database, const QString& credentials)
{
    QString text = QStringLiteral("Driver=FreeTDS;Server=") + quoteOdbcValue(address.host);
    if (!address.port.isEmpty())
        text += QStringLiteral(";Port=") + address.port;
    text += QStringLiteral(";Database=") + quoteOdbcValue(database);
    text += credentials;
    text += QStringLiteral(";ClientCharset=UTF-8");
    return text;
}

// Splits "Key=Value;..." for strings in no form of the program's own; values may not contain ';'.
QString valueOf(const QString& text, const QString& key)
{
    const QStringList parts = text.split(QLatin1Char(';'));
    for (const QString& part : parts) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq > 0 && part.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return part.mid(eq + 1);
    }
    return QString();
}

// The program's DSN form: "DSN=" d ";uid=" u ";" ["pwd=" p]. Quotes values where ODBC syntax needs it.
QString translateDsnForm(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^DSN=(.*);uid=(.*);(pwd=(.*))?$"),
                                         QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return text;
    QString result = QStringLiteral("DSN=") + quoteOdbcValue(match.captured(1)) + QStringLiteral(";uid=") +
                     quoteOdbcValue(match.captured(2)) + QLatin1Char(';');
    if (match.capturedLength(3) > 0)
        result += QStringLiteral("pwd=") + quoteOdbcValue(match.captured(4));
    return result;
}

}  // namespace

QString BuildConnectionString(ConnectionMode mode, const ConnectionInputs& inputs)
{
    switch (mode) {
    case ConnectionMode::Dsn: {
        QString text = QStringLiteral("DSN=") + inputs.dsnName + QStringLiteral(";uid=") + inputs.userName + QLatin1Char(';');
        if (!inputs.password.isEmpty())
            text += QStringLiteral("pwd=") + inputs.password;
        return text;
    }
    case ConnectionMode::ServerSqlLogin:
        return kSqlLoginPrefix + inputs.userName + kPasswordMarker + inputs.password + kCatalogMarker +
               inputs.databaseName + kSourceMarker + inputs.serverName;
    case ConnectionMode::ServerIntegrated:
        return kIntegratedPrefix + kCatalogMarker + inputs.databaseName + kSourceMarker + inputs.serverName;
    }
    return QString();
}

QString quoteOdbcValue(const QString& value)
{
    static const QRegularExpression special(QStringLiteral("[;={}'\"]"));
    if (!value.contains(special) && value.trimmed() == value)
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('}'), QStringLiteral("}}"));
    return QLatin1Char('{') + quoted + QLatin1Char('}');
}

QString toOdbcConnectionString(const QString& connectionString)
{
    const QString text = connectionString;
    if (text.trimmed().isEmpty())
        throw malformed(QStringLiteral("it is empty."));

    // The composed forms are read by their fixed markers, so values keep any character.
    if (text.startsWith(kSqlLoginPrefix, Qt::CaseInsensitive)) {
        const qsizetype passwordAt = text.indexOf(kPasswordMarker, kSqlLoginPrefix.size(), Qt::CaseInsensitive);
        const qsizetype catalogAt = text.lastIndexOf(kCatalogMarker, -1, Qt::CaseInsensitive);
        const qsizetype sourceAt = text.lastIndexOf(kSourceMarker, -1, Qt::CaseInsensitive);
        if (passwordAt < 0 || catalogAt < passwordAt || sourceAt < catalogAt)
            throw malformed(QStringLiteral("expected User ID, Pwd, Initial Catalog and Data Source."));
        const QString user = text.mid(kSqlLoginPrefix.size(), passwordAt - kSqlLoginPrefix.size());
        const QString password = text.mid(passwordAt + kPasswordMarker.size(), catalogAt - passwordAt - kPasswordMarker.size());
        const QString database = text.mid(catalogAt + kCatalogMarker.size(), sourceAt - catalogAt - kCatalogMarker.size());
        const ServerAddress address = parseDataSource(text.mid(sourceAt + kSourceMarker.size()));
        return freeTdsString(address, database,
                             QStringLiteral(";UID=") + quoteOdbcValue(user) + QStringLiteral(";PWD=") + quoteOdbcValue(password));
    }
    if (text.startsWith(kIntegratedPrefix, Qt::CaseInsensitive)) {
        const qsizetype catalogAt = text.indexOf(kCatalogMarker, kIntegratedPrefix.size(), Qt::CaseInsensitive);
        const qsizetype sourceAt = text.lastIndexOf(kSourceMarker, -1, Qt::CaseInsensitive);
        if (catalogAt < 0 || sourceAt < catalogAt)
            throw malformed(QStringLiteral("expected Initial Catalog and Data Source."));
        const QString database = text.mid(catalogAt + kCatalogMarker.size(), sourceAt - catalogAt - kCatalogMarker.size());
        const ServerAddress address = parseDataSource(text.mid(sourceAt + kSourceMarker.size()));
        return freeTdsString(address, database, QStringLiteral(";Trusted_Connection=Yes"));
    }
    if (text.startsWith(QLatin1String("Provider="), Qt::CaseInsensitive)) {
        // Another provider string: translate its usual keys.
        const QString source = valueOf(text, QStringLiteral("Data Source"));
        if (source.trimmed().isEmpty())
            throw malformed(QStringLiteral("the Data Source names no server."));
        const ServerAddress address = parseDataSource(source);
        const bool integrated = !valueOf(text, QStringLiteral("Integrated Security")).isEmpty() ||
                                valueOf(text, QStringLiteral("Trusted_Connection")).compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
        QString password = valueOf(text, QStringLiteral("Pwd"));
        if (password.isEmpty())
            password = valueOf(text, QStringLiteral("Password"));
        const QString credentials = integrated ? QStringLiteral(";Trusted_Connection=Yes")
                                               : QStringLiteral(";UID=") + quoteOdbcValue(valueOf(text, QStringLiteral("User ID"))) +
                                                     QStringLiteral(";PWD=") + quoteOdbcValue(password);
        return freeTdsString(address, valueOf(text, QStringLiteral("Initial Catalog")), credentials);
    }
    if (text.startsWith(QLatin1String("DSN="), Qt::CaseInsensitive))
        return translateDsnForm(text);
    if (!text.contains(QLatin1Char('=')))
        throw malformed(QStringLiteral("\"%1\" has no Key=Value part.").arg(text));
    return text;
}

}  // namespace norvane
