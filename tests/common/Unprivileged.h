#pragma once
// Lets a test see file-permission failures even when it runs as root, who ignores permissions: while one of
// these lives, the process acts as the user "nobody". For an ordinary user it does nothing.
#include <QString>
#include <QStringList>

namespace velstrom::test {

class Unprivileged {
public:
    // `reachable`: directories "nobody" must be able to enter and read (made world-readable and -searchable).
    explicit Unprivileged(const QStringList& reachable = {});
    ~Unprivileged();
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

    // False when the permissions cannot be made to bind (root without a way to give up its rights).
    bool binds() const { return m_binds; }

private:
    bool m_dropped = false;
    bool m_binds = true;
};

// The directory a FakeQuake2 lives in (the parent of its quake2 directory), which "nobody" must reach.
QString fakeRoot(const QString& quake2Dir);

} // namespace velstrom::test
