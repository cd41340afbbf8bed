#include "support/Installation.h"

#include "support/TextUtil.h"

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

QString Installation::quake2Dir() const { return ParentDirectory(m_programDir); }

namespace {
Installation& current()
{
    static Installation inst;
    return inst;
}
} // namespace

const Installation& installation() { return current(); }

void setInstallation(const Installation& inst) { current() = inst; }
