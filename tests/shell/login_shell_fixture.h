#pragma once
// A fixture for tests of the connection dialog, the start-up sequence and the main window: the
// shared Harbor sandbox, private ODBC, FreeTDS and settings files, a recording prompt service, and
// helpers that answer the connection dialog while it is shown modally.
#include "app/program_windows.h"
#include "qt_test_application.h"
#include "recording_prompts.h"
#include "shell/frmLogin.h"
#include "shell/frmMain.h"
#include "shell/login_settings.h"
#include "support/qt_printers.h"
#include "support/sandbox_process.h"
#include "support/session_reset.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <functional>

namespace norvane::testing {

// Every window and command of the program, as main() registers them.
inline WindowRegistry programWindows()
{
    WindowRegistry windows;
    registerProgramWindows(windows);
    return windows;
}

// Points the per-user settings at a fresh directory for the life of the object.
class PrivateSettings {
public:
    PrivateSettings() { QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path()); }
    QString fileName() const { return dir_.filePath("Norvane/Norvane.ini"); }
    QByteArray fileText() const
    {
        QFile file(fileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void write(const QByteArray& text) const
    {
        QDir().mkpath(dir_.filePath("Norvane"));
        QFile file(fileName());
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(text);
    }

private:
    QTemporaryDir dir_;
};

class ShellFixture : public ::testing::Test {
protected:
    // freetds.conf holds the text; no SQL Server Browser answers (a closed loopback port).
    static void SetUpTestSuite() { setUpServers(QByteArray()); }
    static void setUpServers(const QByteArray& freeTdsConf)
    {
        test::PrivateOdbcConfig::instance();
        test::sharedSampleSandbox();
        confDir = std::make_unique<QTemporaryDir>();
        QFile conf(confDir->filePath("freetds.conf"));
        conf.open(QIODevice::WriteOnly);
        conf.write(freeTdsConf);
        conf.close();
        qputenv("FREETDSCONF", conf.fileName().toUtf8());
        QUdpSocket probe;
        probe.bind(QHostAddress::LocalHost, 0);
        qputenv("NORVANE_BROWSER_PORT", QByteArray::number(probe.localPort()));
    }
    void SetUp() override { resetSessionForTests(); }
    void TearDown() override
    {
        resetSessionForTests();
        session().loginTimeoutSeconds = 15;
        session().queryTimeoutSeconds = 30;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static QString harborSource() { return test::sharedSampleSandbox().dataSource(); }

    // Fills the dialog for server mode with a SQL login.
    static void fillServerLogin(frmLogin& dialog, const QString& server, const QString& database,
                                const QString& user = "sa", const QString& password = "")
    {
        dialog.optCONMode[1]->click();
        dialog.cboCONServers->setEditText(server);
        dialog.cboCONDatabase->setEditText(database);
        dialog.txtCONUserName->setText(user);
        dialog.txtCONPassword->setText(password);
    }

    // Connects the session as the start-up dialog would, without showing anything else.
    static void connectSession(const QString& server, const QString& database)
    {
        frmLogin dialog;
        dialog.load();
        fillServerLogin(dialog, server, database);
        dialog.cmdCONConnect_Click();
        ASSERT_TRUE(dialog.LoginOK());
        dialog.unload();
    }

    // Runs the action on the connection dialog once it is the active modal window.
    static void whenDialogShown(std::function<void(frmLogin&)> action)
    {
        auto* timer = new QTimer(qApp);
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, action = std::move(action)] {
            auto* dialog = qobject_cast<frmLogin*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            timer->stop();
            timer->deleteLater();
            action(*dialog);
        });
        timer->start();
    }

    PrivateSettings settings;
    RecordingPrompts::Installed prompts;
    static inline std::unique_ptr<QTemporaryDir> confDir;
};

} // namespace norvane::testing
