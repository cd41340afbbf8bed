#pragma once
#include <QString>

#include <memory>

class AppError;

// One INI file read once and written once: a load reads every key it needs from one IniFile, a save sets every key
// and writes the file a single time through the safe writer. Same rules as the single-value calls below.
class IniFile {
public:
    // Reads the file when there is one. A file that exists but cannot be read reads as empty, and cannot be saved.
    explicit IniFile(QString path);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    const QString& path() const { return m_path; }
    // False when the file exists but could not be read; the reason is the error's text.
    bool readable() const;
    // The error of a file not read for its size (its text names the file), or null.
    const AppError* tooLargeError() const;
    const QString& unreadableReason() const;
    QString value(const QString& section, const QString& key, const QString& defaultValue) const;
    // An existing section or key keeps its spelling in the file.
    void setValue(const QString& section, const QString& key, const QString& value);
    // Throws AppError "Unable to write to <path>" when the file cannot be written; the old file then stays whole.
    void save() const;

private:
    struct Data;
    QString m_path;
    std::unique_ptr<Data> m_data;
};

// Single values in the program's INI files, read and written as Windows does: names without regard to case,
// "Key=Value" lines, the first of duplicate keys wins, values read back with at most 1023 characters.
// Each call opens the file, does its one key and keeps nothing.

QString iniRead(const QString& path, const QString& section, const QString& key, const QString& defaultValue);
// Throws AppError "Unable to write to <path>" when the value cannot be stored. Files are created readable
// by their owner only: profiles hold passwords.
void iniWrite(const QString& path, const QString& section, const QString& key, const QString& value);

// The same on "<program directory><base>.ini" and on the program's own INI file.
QString readIniSetting(const QString& baseName, const QString& section, const QString& key,
                       const QString& defaultValue);
void writeIniSetting(const QString& baseName, const QString& section, const QString& key, const QString& value);
QString readProgramSetting(const QString& section, const QString& key, const QString& defaultValue);
void writeProgramSetting(const QString& section, const QString& key, const QString& value);
