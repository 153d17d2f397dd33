#include "shell/login_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace norvane {

namespace {
QSettings openSettings()
{
    // Explicit names, so the store is the same whatever the running program's own names are.
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Norvane", "Norvane");
}
}  // namespace

QString ScrambleText(const QString& text, quint16 key)
{
    QString result;
    result.reserve(text.size());
    for (QChar ch : text)
        result.append(QChar(static_cast<char16_t>(ch.unicode() ^ key)));
    return result;
}

QString readLoginSetting(const char* key, const char* defaultValue)
{
    QSettings settings = openSettings();
    settings.beginGroup(LoginKeys::Group);
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return QString::fromUtf8(defaultValue);
    // A hand-edited file may hold a list or other non-text value: the default serves then.
    if (!value.canConvert<QString>() || value.typeId() == QMetaType::QStringList)
        return QString::fromUtf8(defaultValue);
    return value.toString();
}

bool parseRememberFlag(const QString& value, bool defaultValue)
{
    const QString v = value.trimmed();
    if (v == "1")
        return true;
    if (v == "0")
        return false;
    return defaultValue;
}

bool parseModeFlag(const QString& value, bool defaultValue)
{
    const QString v = value.trimmed();
    if (v.compare("true", Qt::CaseInsensitive) == 0)
        return true;
    if (v.compare("false", Qt::CaseInsensitive) == 0)
        return false;
    return defaultValue;
}

QString modeWord(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

namespace {

// The file holds a (scrambled) password: it is made for its owner alone before anything is written
// into it. The settings writer replaces the file with a new one that takes over these permissions.
void prepareOwnerOnlyFile(const QString& fileName)
{
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    const QByteArray path = QFile::encodeName(fileName);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0) {
        ::fchmod(fd, S_IRUSR | S_IWUSR);
        ::close(fd);
    }
}

}  // namespace

void writeLoginSettings(const SavedLoginInputs& inputs)
{
    prepareOwnerOnlyFile(loginSettingsFileName());
    {
        QSettings settings = openSettings();
        settings.beginGroup(LoginKeys::Group);
        settings.setValue(LoginKeys::UserName, inputs.userName);
        settings.setValue(LoginKeys::Password, inputs.remember ? ScrambleText(inputs.password) : QString());
        settings.setValue(LoginKeys::Remember, inputs.remember ? QStringLiteral("1") : QStringLiteral("0"));
        settings.setValue(LoginKeys::Dsn, inputs.dsn);
        settings.setValue(LoginKeys::Server, inputs.server);
        settings.setValue(LoginKeys::Database, inputs.database);
        settings.setValue(LoginKeys::ModeDsn, modeWord(inputs.modeDsn));
        settings.setValue(LoginKeys::ModeServer, modeWord(inputs.modeServer));
        settings.endGroup();
        settings.sync();
    }
}

QString loginSettingsFileName()
{
    return openSettings().fileName();
}

}  // namespace norvane
