#pragma once
// Shared by the connection dialog, main window and start-up tests: the application object,
// settings in a private directory, and a sandbox data source.
#include "shell/login_settings.h"
#include "shell/session.h"
#include "support/sandbox_process.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace norvane::testing {

// The application object lives from the start of the test program's tests to their end, and goes
// before the process's static objects do (Qt's own are among them).
class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { application(); }
    void TearDown() override { holder().reset(); }

    static QApplication& application()
    {
        static int argc = 1;
        static char name[] = "norvane-shell-test";
        static char* argv[] = {name, nullptr};
        if (!holder())
            holder() = std::make_unique<QApplication>(argc, argv);
        return *holder();
    }

private:
    static std::unique_ptr<QApplication>& holder()
    {
        static std::unique_ptr<QApplication> app;
        return app;
    }
};

inline ::testing::Environment* const qtApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

inline QApplication& testApplication()
{
    return QtApplicationEnvironment::application();
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

}  // namespace norvane::testing
