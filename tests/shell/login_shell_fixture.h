#pragma once
// A fixture for tests of the start-up sequence and the main window: the shared Harbor sandbox,
// private ODBC, FreeTDS and settings files, a recording prompt service, and helpers that answer
// the connection dialog while it is shown modally.
#include "app/program_windows.h"
#include "login_test_support.h"
#include "recording_prompts.h"
#include "shell/frmLogin.h"
#include "shell/frmMain.h"
#include "support/qt_printers.h"
#include "support/session_reset.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
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

class ShellFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        testApplication();
        test::PrivateOdbcConfig::instance();
        test::sharedSampleSandbox();
        confDir = std::make_unique<QTemporaryDir>();
        QFile conf(confDir->filePath("freetds.conf"));
        conf.open(QIODevice::WriteOnly);
        conf.close();
        qputenv("FREETDSCONF", conf.fileName().toUtf8());
        // No browser on this port: a closed loopback port, so the dialog need not wait for an answer.
        QUdpSocket probe;
        probe.bind(QHostAddress::LocalHost, 0);
        qputenv("NORVANE_BROWSER_PORT", QByteArray::number(probe.localPort()));
    }
    static void TearDownTestSuite()
    {
        confDir.reset();
    }
    void SetUp() override { resetSessionForTests(); }
    void TearDown() override
    {
        resetSessionForTests();
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

}  // namespace norvane::testing
