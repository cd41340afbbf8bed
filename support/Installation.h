#pragma once
#include <QString>

// Where the program is installed. The running program builds it from its executable's path; tests build it
// over a temporary directory. Nothing else asks the system where the program lives.
class Installation {
public:
    Installation() = default;
    // `programDir` may come with or without its trailing "/".
    Installation(const QString& programDir, const QString& exeBaseName);
    static Installation fromExecutablePath(const QString& exePath);

    // The program's directory, with its trailing "/".
    const QString& programDir() const { return m_programDir; }
    // The Quake 2 directory: the program directory's parent, without a trailing "/".
    QString quake2Dir() const;
    // The executable's file name without directory and extension ("velstrom").
    const QString& exeBaseName() const { return m_exeBaseName; }

    // "<base>.ini" and a profile's "<name>_maps.txt" in the program directory. When that file is not there but one
    // whose name differs only in letter case is (BOB.INI copied from another system), that one: a profile is
    // read from and saved to the file it was listed by. One that keeps the base name's own case is preferred.
    QString iniPath(const QString& baseName) const;
    QString profileLevelsPath(const QString& profileName) const;
    QString programIniPath() const { return iniPath(m_exeBaseName); }
    QString file(const QString& name) const { return m_programDir + name; }

private:
    QString m_programDir;
    QString m_exeBaseName;
};

// The installation of this run.
const Installation& installation();
void setInstallation(const Installation& inst);
