#pragma once
#include <QString>

// Single values in the program's INI files, read and written as Windows does: names without regard to case,
// "Key=Value" lines, the first of duplicate keys wins, values read back with at most 1023 characters.
// Each call opens the file, does its one key and keeps nothing.

QString iniRead(const QString& path, const QString& section, const QString& key, const QString& defaultValue);
// Throws AppError "Unable to write to <path>" when the value cannot be stored. Files are created readable
// by their owner only: profiles hold passwords.
void iniWrite(const QString& path, const QString& section, const QString& key, const QString& value);

// The same on "<program directory><base>.ini" and on the program's own INI file.
QString ReadIniSetting(const QString& baseName, const QString& section, const QString& key,
                       const QString& defaultValue);
void WriteIniSetting(const QString& baseName, const QString& section, const QString& key, const QString& value);
QString ReadProgramSetting(const QString& section, const QString& key, const QString& defaultValue);
void WriteProgramSetting(const QString& section, const QString& key, const QString& value);
