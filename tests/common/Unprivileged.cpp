#include "Unprivileged.h"

#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace velstrom::test {

namespace {
constexpr uid_t Nobody = 65534;
}

Unprivileged::Unprivileged(const QStringList& reachable)
{
    if (::geteuid() != 0)
        return;
    for (const QString& dir : reachable)
        ::chmod(QFile::encodeName(dir).constData(), 0755);
    m_dropped = ::seteuid(Nobody) == 0;
    m_binds = m_dropped;
}

Unprivileged::~Unprivileged()
{
    if (m_dropped && ::seteuid(0) != 0)
        ::_exit(99); // never go on half-privileged
}

QString fakeRoot(const QString& quake2Dir) { return QFileInfo(quake2Dir).path(); }

} // namespace velstrom::test
