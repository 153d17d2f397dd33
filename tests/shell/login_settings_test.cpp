// The connection dialog's remembered inputs: keys, defaults, order, scrambling, file access.
#include "login_test_support.h"
#include "support/qt_printers.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace norvane;
using norvane::testing::PrivateSettings;

TEST(LoginSettings, ScrambleTextUndoesItselfAndHidesThePassword)
{
    const QString password = "Zebra;Pwd=1 ÄZ";
    const QString scrambled = ScrambleText(password);
    EXPECT_EQ(scrambled.size(), password.size());
    EXPECT_NE(scrambled, password);
    EXPECT_EQ(scrambled.at(0), QChar(u'Z' ^ 0x5A));  // exclusive-or with the fixed key
    EXPECT_EQ(ScrambleText(scrambled), password);
    EXPECT_EQ(ScrambleText(ScrambleText("abc", 7), 7), "abc");
    EXPECT_EQ(ScrambleText("", 0x5A), "");
}

TEST(LoginSettings, AbsentKeysGiveTheDefaults)
{
    PrivateSettings settings;
    EXPECT_EQ(readLoginSetting(LoginKeys::UserName, LoginDefaults::UserName), "sa");
    EXPECT_EQ(readLoginSetting(LoginKeys::Password, LoginDefaults::Password), "");
    EXPECT_EQ(readLoginSetting(LoginKeys::Remember, LoginDefaults::Remember), "0");
    EXPECT_EQ(readLoginSetting(LoginKeys::Dsn, LoginDefaults::Dsn), "");
    EXPECT_EQ(readLoginSetting(LoginKeys::Server, LoginDefaults::Server), "(local)");
    EXPECT_EQ(readLoginSetting(LoginKeys::Database, LoginDefaults::Database), "Master");
    EXPECT_EQ(readLoginSetting(LoginKeys::ModeDsn, LoginDefaults::ModeDsn), "TRUE");
    EXPECT_EQ(readLoginSetting(LoginKeys::ModeServer, LoginDefaults::ModeServer), "FALSE");
}

TEST(LoginSettings, WritesTheEightKeysInOrderForTheOwnerOnly)
{
    PrivateSettings settings;
    // Even with a umask that lets everyone read, the file is the owner's from its creation on.
    const mode_t umaskBefore = ::umask(0);
    SavedLoginInputs inputs;
    inputs.userName = "dev";
    inputs.password = "Zecret";
    inputs.remember = true;
    inputs.dsn = "HarborDSN";
    inputs.server = "127.0.0.1,14330";
    inputs.database = "Harbor";
    inputs.modeDsn = false;
    inputs.modeServer = true;
    writeLoginSettings(inputs);
    ::umask(umaskBefore);

    // The INI writer keeps a section's keys in name order, whatever the order of writing.
    const QByteArray text = settings.fileText();
    EXPECT_EQ(text, QByteArray("[UserInputs]\n"
                               "DSN=HarborDSN\n"
                               "Database=Harbor\n"
                               "ModeDSN=False\n"
                               "ModeServer=True\n"
                               "Password=@String(\\0?9(?.)\n"
                               "Remember=1\n"
                               "Server=\"127.0.0.1,14330\"\n"
                               "UserName=dev\n"));
    EXPECT_FALSE(text.contains("Zecret"));
    EXPECT_EQ(QFileInfo(settings.fileName()).permissions(),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);

    // Read back through the same keys: the password comes back as typed.
    EXPECT_EQ(ScrambleText(readLoginSetting(LoginKeys::Password, LoginDefaults::Password)), "Zecret");
    EXPECT_EQ(readLoginSetting(LoginKeys::Server, LoginDefaults::Server), "127.0.0.1,14330");

    inputs.remember = false;
    writeLoginSettings(inputs);
    EXPECT_EQ(readLoginSetting(LoginKeys::Password, LoginDefaults::Password), "");
    EXPECT_EQ(readLoginSetting(LoginKeys::Remember, LoginDefaults::Remember), "0");
}

TEST(LoginSettings, FlagsAcceptTheirWordsAndFallBackOnGarbage)
{
    EXPECT_TRUE(parseModeFlag("TRUE", false));
    EXPECT_TRUE(parseModeFlag("true", false));
    EXPECT_FALSE(parseModeFlag("False", true));
    EXPECT_TRUE(parseModeFlag("yes please", true));
    EXPECT_FALSE(parseModeFlag("", false));
    EXPECT_TRUE(parseRememberFlag("1", false));
    EXPECT_FALSE(parseRememberFlag("0", true));
    EXPECT_FALSE(parseRememberFlag("2", false));
    EXPECT_EQ(modeWord(true), "True");
    EXPECT_EQ(modeWord(false), "False");

    PrivateSettings settings;
    settings.write("[UserInputs]\nUserName=a, b\n");  // read as a list by the INI reader
    EXPECT_EQ(readLoginSetting(LoginKeys::UserName, LoginDefaults::UserName), "sa");
}
