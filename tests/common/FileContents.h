#pragma once
// Reading and writing whole files in tests, without going through the code under test.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

namespace velstrom::test {

// The file's bytes, or "<unreadable>" when it cannot be opened.
inline QByteArray fileContents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Replaces the file with `data`; fails the running test when it cannot.
inline void putFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(data), data.size());
}

} // namespace velstrom::test
