#pragma once
// The connection dialog's remembered inputs: section "UserInputs" of the per-user settings
// of "Norvane" (INI format), with each key's default declared once, next to the others.
#include <QString>

namespace norvane {

namespace LoginKeys {
inline constexpr char Group[] = "UserInputs";
inline constexpr char UserName[] = "UserName";
inline constexpr char Password[] = "Password";
inline constexpr char Remember[] = "Remember";
inline constexpr char Dsn[] = "DSN";
inline constexpr char Server[] = "Server";
inline constexpr char Database[] = "Database";
inline constexpr char ModeDsn[] = "ModeDSN";
inline constexpr char ModeServer[] = "ModeServer";
}  // namespace LoginKeys

namespace LoginDefaults {
inline constexpr char UserName[] = "sa";
inline constexpr char Password[] = "";
inline constexpr char Remember[] = "0";
inline constexpr char Dsn[] = "";
inline constexpr char Server[] = "(local)";
inline constexpr char Database[] = "Master";
inline constexpr char ModeDsn[] = "TRUE";
inline constexpr char ModeServer[] = "FALSE";
}  // namespace LoginDefaults

// The fixed key of the saved password's scrambling.
inline constexpr quint16 kScrambleKey = 0x5A;

// Combines every character code with the key by exclusive-or; applying it twice gives the text back.
// A reversible obfuscation that keeps the password out of plain sight in the file, not encryption.
QString ScrambleText(const QString& text, quint16 key = kScrambleKey);

// One value of the section, or its default when absent.
QString readLoginSetting(const char* key, const char* defaultValue);

// "0"/"1" as a flag; anything else gives the default.
bool parseRememberFlag(const QString& value, bool defaultValue);
// The words True/False in any case; anything else gives the default.
bool parseModeFlag(const QString& value, bool defaultValue);
QString modeWord(bool value);  // "True" or "False"

// The inputs exactly as the dialog writes them, in the order they are written.
struct SavedLoginInputs {
    QString userName;
    QString password;  // in clear here; scrambled on the way to the file when remember is set
    bool remember = false;
    QString dsn;
    QString server;
    QString database;
    bool modeDsn = true;
    bool modeServer = false;
};

// Writes the eight keys in the order UserName, Password, Remember, DSN, Server, Database,
// ModeDSN, ModeServer; the password is written only when remember is set. The file is then
// made readable by its owner only.
void writeLoginSettings(const SavedLoginInputs& inputs);

// Where the settings live (for tests and the run script).
QString loginSettingsFileName();

}  // namespace norvane
