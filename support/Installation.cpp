#include "support/Installation.h"

#include "support/Quake2Paths.h"
#include "support/TextUtil.h"

#include <QDir>
#include <QFileInfo>

Installation::Installation(const QString& programDir, const QString& exeBaseName)
    : m_programDir(programDir.endsWith(u'/') ? programDir : programDir + u'/'), m_exeBaseName(exeBaseName)
{
}

Installation Installation::fromExecutablePath(const QString& exePath)
{
    const QFileInfo info(exePath);
    return Installation(info.absolutePath(), info.completeBaseName());
}

QString Installation::quake2Dir() const { return parentDirectory(m_programDir); }

namespace {

// `name` in `dir`, or the entry whose name differs from it only in letter case when `name` itself is not there.
// Among several, one that starts with `exactPart` as it is spelt wins, then the first in byte order.
QString existingInAnyCase(const QString& dir, const QString& name, const QString& exactPart)
{
    const QString exact = dir + name;
    if (QFileInfo::exists(exact) || QFileInfo(exact).isSymLink())
        return exact;
    QString best;
    bool bestKeepsPart = false;
    const QStringList entries =
        QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        const bool keepsPart = entry.startsWith(exactPart);
        if (best.isEmpty() || (keepsPart && !bestKeepsPart)) {
            best = entry;
            bestKeepsPart = keepsPart;
        }
    }
    return best.isEmpty() ? exact : dir + best;
}

} // namespace

QString Installation::iniPath(const QString& baseName) const
{
    return existingInAnyCase(m_programDir, baseName + QStringLiteral(".ini"), baseName);
}

QString Installation::profileLevelsPath(const QString& profileName) const
{
    return existingInAnyCase(m_programDir, profileName + q2::ProfileLevelsSuffix, profileName);
}

namespace {
Installation& current()
{
    static Installation inst;
    return inst;
}
} // namespace

const Installation& installation() { return current(); }

void setInstallation(const Installation& inst) { current() = inst; }
