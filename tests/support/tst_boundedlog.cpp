// The size bound of a log written as its text comes, with small limits so that every cut shows.
#include "support/BoundedLog.h"

#include <QFile>
#include <QTemporaryFile>
#include <QTest>

class TestBoundedLog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void bound_data()
    {
        QTest::addColumn<int>("lines"); // numbered lines of 12 bytes
        QTest::addColumn<int>("piece"); // bytes a write
        QTest::newRow("well within") << 10 << 7;
        QTest::newRow("exactly at the limit") << 400 << 12;
        QTest::newRow("one line over, in one write") << 401 << 4812;
        QTest::newRow("many cuts, small writes") << 5000 << 5;
        QTest::newRow("many cuts, writes larger than the limit") << 5000 << 9000;
    }

    void bound()
    {
        constexpr long long Limit = 4800;
        constexpr long long Head = 600;
        constexpr long long Keep = 1200;
        QFETCH(int, lines);
        QFETCH(int, piece);
        QByteArray input;
        for (int i = 0; i < lines; ++i)
            input += QByteArray::number(i).rightJustified(11, '0') + '\n';

        QTemporaryFile file;
        QVERIFY(file.open());
        BoundedLog log(int(file.handle()), Limit, Head, Keep);
        for (qsizetype at = 0; at < input.size(); at += piece)
            log.append(input.constData() + at, size_t(std::min<qsizetype>(piece, input.size() - at)));

        QFile check(file.fileName());
        QVERIFY(check.open(QIODevice::ReadOnly));
        const QByteArray kept = check.readAll();
        QCOMPARE(kept.size(), log.size());
        if (input.size() <= Limit) {
            QCOMPARE(kept, input);
            return;
        }
        QVERIFY(kept.size() <= Limit);
        // The first part as it came, the gap marked once, then the latest part from a line's start to the end.
        const QByteArray gap(BoundedLog::Gap);
        QCOMPARE(kept.left(Head), input.left(Head));
        QCOMPARE(kept.mid(Head, gap.size()), gap);
        QCOMPARE(kept.count(gap), 1);
        const QByteArray latest = kept.mid(Head + gap.size());
        QVERIFY(latest.size() >= Keep - 12);
        QVERIFY(input.endsWith(latest));
        QCOMPARE(input.at(input.size() - latest.size() - 1), '\n');
    }
};

QTEST_GUILESS_MAIN(TestBoundedLog)
#include "tst_boundedlog.moc"
