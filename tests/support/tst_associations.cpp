#include "support/Associations.h"

#include <QHash>
#include <QSet>
#include <QTest>

namespace {

// A class registry held in memory. A key's parents exist with it, names match without regard to case as in
// the Windows registry, and "<binary>" stands for a value that is not text.
class FakeRegistry : public AssociationRegistry {
public:
    explicit FakeRegistry(const QStringList& entries)
    {
        // Each entry is "key" or "key=value".
        for (const QString& entry : entries) {
            const qsizetype eq = entry.indexOf(u'=');
            const QString key = eq < 0 ? entry : entry.left(eq);
            QString parent = key;
            for (qsizetype cut; (cut = parent.lastIndexOf(u'\\')) > 0;) {
                parent.truncate(cut);
                m_keys.insert(parent.toLower());
            }
            m_keys.insert(key.toLower());
            if (eq >= 0)
                m_values.insert(key.toLower(), entry.mid(eq + 1));
        }
    }

    bool keyExists(const QString& key) const override
    {
        m_asked.append(key);
        return m_keys.contains(key.toLower());
    }

    std::optional<QString> defaultValue(const QString& key) const override
    {
        const auto it = m_values.constFind(key.toLower());
        if (it == m_values.constEnd() || *it == QLatin1String("<binary>"))
            return std::nullopt;
        return *it;
    }

    QStringList asked() const { return m_asked; }

private:
    QSet<QString> m_keys;
    QHash<QString, QString> m_values;
    mutable QStringList m_asked;
};

const QString Htm = QStringLiteral(".htm=htmlfile");
const QString HtmCommand =
    QStringLiteral("htmlfile\\shell\\open\\command=\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" -nohome \"%1\"");
const QString Txt = QStringLiteral(".txt=txtfile");
const QString TxtCommand = QStringLiteral("txtfile\\shell\\open\\command=C:\\WINDOWS\\NOTEPAD.EXE %1");

} // namespace

class TestAssociations : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void walk_data();
    void walk();
    void extensionShellComesFirst();
};

void TestAssociations::walk_data()
{
    QTest::addColumn<QStringList>("registry");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("program");

    const QStringList windows{Htm, HtmCommand, Txt, TxtCommand};
    QTest::newRow("class with quoted program, options and quoted %1")
        << windows << "htm" << "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\"";
    QTest::newRow("unquoted program keeps the blank before %1")
        << windows << "txt" << "\"C:\\WINDOWS\\NOTEPAD.EXE \"";
    QTest::newRow("unknown extension") << windows << "bsp" << "\"\"";
    QTest::newRow("empty registry") << QStringList{} << "txt" << "\"\"";
    QTest::newRow("extension names are not case-sensitive") << windows << "HTM"
                                                           << "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\"";
    QTest::newRow("trailing blanks and controls of the extension dropped")
        << windows << QStringLiteral("txt \t\r\n") << "\"C:\\WINDOWS\\NOTEPAD.EXE \"";
    QTest::newRow("leading blank is part of the name") << windows << " txt" << "\"\"";
    QTest::newRow("dot already given") << windows << ".txt" << "\"\"";

    QTest::newRow("extension key with its own shell")
        << QStringList{".cfg", ".cfg\\shell\\open\\command=C:\\q2\\edit.exe '%1'"} << "cfg" << "\"C:\\q2\\edit.exe \"";
    QTest::newRow("extension shell without open does not fall back to the class")
        << QStringList{".cfg=txtfile", ".cfg\\shell\\print\\command=print.exe", TxtCommand} << "cfg" << "\"\"";
    QTest::newRow("extension shell open without command")
        << QStringList{".cfg", ".cfg\\shell\\open"} << "cfg" << "\"\"";

    QTest::newRow("class without shell") << QStringList{Txt, "txtfile=Text Document"} << "txt" << "\"\"";
    QTest::newRow("class key missing") << QStringList{Txt} << "txt" << "\"\"";
    QTest::newRow("empty class name") << QStringList{".txt=", TxtCommand} << "txt" << "\"\"";
    QTest::newRow("no class name at all") << QStringList{".txt", TxtCommand} << "txt" << "\"\"";
    QTest::newRow("class name not text") << QStringList{".txt=<binary>", TxtCommand} << "txt" << "\"\"";
    QTest::newRow("class shell without open") << QStringList{Txt, "txtfile\\shell\\edit\\command=edit.exe"}
                                              << "txt" << "\"\"";
    QTest::newRow("open without command") << QStringList{Txt, "txtfile\\shell\\open\\ddeexec=x"} << "txt" << "\"\"";
    QTest::newRow("command without value") << QStringList{Txt, "txtfile\\shell\\open\\command"} << "txt" << "\"\"";
    QTest::newRow("command not text") << QStringList{Txt, "txtfile\\shell\\open\\command=<binary>"} << "txt"
                                       << "\"\"";
    QTest::newRow("empty command") << QStringList{Txt, "txtfile\\shell\\open\\command="} << "txt" << "\"\"";

    QTest::newRow("apostrophe separator")
        << QStringList{Txt, "txtfile\\shell\\open\\command='/opt/my editor/ed' '%1'"} << "txt"
        << "\"/opt/my editor/ed\"";
    QTest::newRow("blanks are not separators")
        << QStringList{Txt, "txtfile\\shell\\open\\command=C:\\Program Files\\Editor\\ed.exe /dde"} << "txt"
        << "\"C:\\Program Files\\Editor\\ed.exe /dde\"";
    QTest::newRow("percent in the first place is skipped like a quote")
        << QStringList{Txt, "txtfile\\shell\\open\\command=%SystemRoot%\\system32\\NOTEPAD.EXE %1"} << "txt"
        << "\"SystemRoot\"";
    QTest::newRow("any separator ends the path")
        << QStringList{Txt, "txtfile\\shell\\open\\command=\"C:\\ed.exe' -x"} << "txt" << "\"C:\\ed.exe\"";
    QTest::newRow("quote right after the opening quote")
        << QStringList{Txt, "txtfile\\shell\\open\\command=\"\"C:\\ed.exe\""} << "txt" << "\"\"";
    QTest::newRow("desktop command line")
        << QStringList{".txt=text/plain", "text/plain\\shell\\open\\command=/usr/bin/gedit %U"} << "txt"
        << "\"/usr/bin/gedit \"";
}

void TestAssociations::walk()
{
    QFETCH(QStringList, registry);
    QFETCH(QString, extension);
    QFETCH(QString, program);
    const FakeRegistry fake(registry);
    QCOMPARE(findAssociatedProgram(extension, fake), program);
}

void TestAssociations::extensionShellComesFirst()
{
    // The extension's own command is used even when it also names a class with a command of its own.
    const FakeRegistry fake({".log=txtfile", ".log\\shell\\open\\command=C:\\tail.exe %1", TxtCommand});
    QCOMPARE(findAssociatedProgram("log", fake), QStringLiteral("\"C:\\tail.exe \""));
    for (const QString& key : fake.asked())
        QVERIFY2(!key.startsWith("txtfile", Qt::CaseInsensitive), qPrintable(key));
}

QTEST_GUILESS_MAIN(TestAssociations)
#include "tst_associations.moc"
