// The About window: the drifting background, its controls, the links, Help and the sounds around it.
#include "FakeQuake2.h"
#include "app/AboutWindow.h"
#include "support/Associations.h"
#include "support/Shell.h"
#include "support/Sound.h"

#include <QApplication>
#include <QLabel>
#include <QMap>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QTimer>
#include <QtTest>

#include <optional>

using velstrom::test::FakeQuake2;

namespace {

// A class registry held in memory: key path -> default value (nullopt: the key exists without one).
class FakeRegistry : public AssociationRegistry {
public:
    void add(const QString& key, std::optional<QString> value = std::nullopt) { m_keys.insert(key, value); }
    // ".ext" naming a class whose open command is `command`, with every key on the way.
    void associate(const QString& extension, const QString& className, const QString& command)
    {
        add(QLatin1Char('.') + extension, className);
        add(className);
        add(className + QStringLiteral("\\shell"));
        add(className + QStringLiteral("\\shell\\open"));
        add(className + QStringLiteral("\\shell\\open\\command"), command);
    }
    bool keyExists(const QString& key) const override { return m_keys.contains(key); }
    std::optional<QString> defaultValue(const QString& key) const override { return m_keys.value(key); }

private:
    QMap<QString, std::optional<QString>> m_keys;
};

struct Started {
    QString commandLine;
};

// A window whose links and Help go to `registry` and whose commands are recorded instead of started.
void instrument(AboutWindow& window, const AssociationRegistry& registry, QList<Started>& started)
{
    window.setAssociations(&registry);
    window.setCommandRunner([&started](const QString& commandLine) {
        started.append({commandLine});
        return true;
    });
}

// The offsets after `ticks` ticks, worked out from the drift's description rather than by stepping it:
// one pixel left per tick, wrapping at the tile width; down from a whole tile to 1, where the first tick
// already lands on the whole tile.
QPoint expectedOffset(int ticks, int tile)
{
    if (ticks == 0)
        return {0, 0};
    return {ticks % tile, tile - (ticks - 1) % tile};
}

// The rectangles, in window coordinates, that the window's controls paint over the background.
QList<QRect> coveredByControls(const AboutWindow& window)
{
    QList<QRect> rects;
    for (const char* name : {"creditsPanel", "picturePanel", "helpButton", "okButton"})
        rects.append(window.findChild<QWidget*>(QString::fromLatin1(name))->geometry());
    return rects;
}

QImage renderWithoutErasing(AboutWindow& window)
{
    // Whatever the window leaves unpainted stays in this colour, which none of our pictures uses.
    QPixmap canvas(window.size());
    canvas.fill(Qt::magenta);
    window.render(&canvas, QPoint(), QRegion(), QWidget::DrawChildren);
    return canvas.toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestAboutWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void driftOverTicks();
    void windowTimer();
    void pictures();
    void backgroundCoversWindow_data();
    void backgroundCoversWindow();
    void tickPaintsAtOnce();
    void controls_data();
    void controls();
    void links_data();
    void links();
    void help_data();
    void help();
    void openingSound_data();
    void openingSound();
    void enterCloses();
};

void TestAboutWindow::driftOverTicks()
{
    BackgroundDrift drift;
    QList<QPoint> seen;
    for (int tick = 1; tick <= 130; ++tick) {
        drift.tick(64, 64);
        const QPoint now(drift.scrollX, drift.scrollY);
        QCOMPARE(now, expectedOffset(tick, 64));
        QVERIFY(now.x() >= 0 && now.x() <= 63);
        QVERIFY(now.y() >= 1 && now.y() <= 64);
        seen.append(now);
    }
    // The first tick moves left by one pixel and jumps a whole tile down, so nothing moves down yet.
    QCOMPARE(seen[0], QPoint(1, 64));
    QCOMPARE(seen[1], QPoint(2, 63));
    // The picture repeats every 64 ticks, and never sooner.
    for (int i = 0; i + 64 < seen.size(); ++i)
        QCOMPARE(seen[i + 64], seen[i]);
    QCOMPARE(QSet<QPoint>(seen.begin(), seen.begin() + 64).size(), 64);

    // Another tile size wraps at its own edges.
    BackgroundDrift odd;
    for (int tick = 1; tick <= 130; ++tick) {
        odd.tick(5, 3);
        QCOMPARE(QPoint(odd.scrollX, odd.scrollY), QPoint(tick % 5, 3 - (tick - 1) % 3));
    }
}

void TestAboutWindow::windowTimer()
{
    FakeQuake2 fake;
    AboutWindow window(true);
    QCOMPARE(window.backgroundTimer()->interval(), 100);
    QVERIFY(window.backgroundTimer()->isActive());
    QCOMPARE(QPoint(window.scrollX(), window.scrollY()), QPoint(0, 0));

    // The running timer drives the window by itself.
    QTRY_VERIFY_WITH_TIMEOUT(window.scrollX() > 0, 2000);

    window.backgroundTimer()->stop();
    BackgroundDrift model{window.scrollX(), window.scrollY()};
    for (int tick = 0; tick < 130; ++tick) {
        window.backgroundTick();
        model.tick(64, 64);
        QCOMPARE(QPoint(window.scrollX(), window.scrollY()), QPoint(model.scrollX, model.scrollY));
    }
}

void TestAboutWindow::pictures()
{
    FakeQuake2 fake;
    AboutWindow window(true);

    const QImage tile = window.tileBitmap().toImage();
    QCOMPARE(tile.size(), QSize(64, 64));
    QSet<QRgb> colours;
    for (int y = 0; y < tile.height(); ++y)
        for (int x = 0; x < tile.width(); ++x)
            colours.insert(tile.pixel(x, y));
    QVERIFY2(colours.size() <= 16, qPrintable(QString::number(colours.size()) + " colours"));
    QVERIFY(colours.size() >= 4); // a pattern, not a flat fill

    // One tile larger than the window each way.
    QVERIFY(window.backBitmap().width() >= 632 + 64);
    QVERIFY(window.backBitmap().height() >= 334 + 64);

    const QImage title(QStringLiteral(":/pictures/title.png"));
    QCOMPARE(title.size(), QSize(640, 182));
    QVERIFY(!title.hasAlphaChannel());
    const auto* image1 = window.findChild<QLabel*>(QStringLiteral("picture"));
    QCOMPARE(image1->pixmap().size(), QSize(640, 182));
    QVERIFY(!image1->hasScaledContents());

    for (const char* icon : {":/pictures/velstrom.png", ":/pictures/velstrom-48.png", ":/pictures/logo.png",
                             ":/pictures/empathy.png"})
        QVERIFY2(!QImage(QString::fromLatin1(icon)).isNull(), icon);
}

void TestAboutWindow::backgroundCoversWindow_data()
{
    QTest::addColumn<int>("ticks");
    for (int ticks : {0, 1, 2, 31, 63, 64, 65, 100, 129})
        QTest::addRow("%d ticks", ticks) << ticks;
}

void TestAboutWindow::backgroundCoversWindow()
{
    QFETCH(int, ticks);
    FakeQuake2 fake;
    AboutWindow window(true);
    window.backgroundTimer()->stop();
    for (int i = 0; i < ticks; ++i)
        window.backgroundTick();

    const QImage shot = renderWithoutErasing(window);
    QCOMPARE(shot.size(), QSize(632, 334));
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixel(x, y) == QColor(Qt::magenta).rgb())
                QFAIL(qPrintable(QStringLiteral("unpainted pixel at %1,%2").arg(x).arg(y)));

    // Outside the controls the window shows the tile, shifted by the current offsets.
    const QImage tile = window.tileBitmap().toImage().convertToFormat(QImage::Format_RGB32);
    const QList<QRect> controls = coveredByControls(window);
    int checked = 0;
    for (int y = 0; y < shot.height(); y += 3) {
        for (int x = 0; x < shot.width(); x += 3) {
            const QPoint p(x, y);
            if (std::any_of(controls.begin(), controls.end(), [&](const QRect& r) { return r.contains(p); }))
                continue;
            const QRgb expected = tile.pixel((x + window.scrollX()) % 64, (y + window.scrollY()) % 64);
            if (shot.pixel(p) != expected)
                QFAIL(qPrintable(QStringLiteral("background wrong at %1,%2").arg(x).arg(y)));
            ++checked;
        }
    }
    QVERIFY(checked > 1000); // the strips around the panels and buttons
}

void TestAboutWindow::tickPaintsAtOnce()
{
    FakeQuake2 fake;
    AboutWindow window(true);
    window.backgroundTimer()->stop();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();

    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                ++paints;
            return false;
        }
    } counter;
    window.installEventFilter(&counter);
    // No event loop runs between the tick and the check: the paint must already have happened.
    window.backgroundTick();
    QCOMPARE(counter.paints, 1);
    window.backgroundTick();
    QCOMPARE(counter.paints, 2);
    window.removeEventFilter(&counter);
}

void TestAboutWindow::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::newRow("picturePanel") << "picturePanel" << QRect(0, 0, 632, 178) << QString();
    QTest::newRow("picture") << "picture" << QRect(1, 1, 630, 176) << QString();
    QTest::newRow("creditsPanel") << "creditsPanel" << QRect(11, 184, 322, 145) << QString();
    QTest::newRow("OK") << "okButton" << QRect(552, 276, 75, 25) << "OK";
    QTest::newRow("Help") << "helpButton" << QRect(552, 305, 75, 25) << "&Help";
    QTest::newRow("version") << "versionLabel" << QRect() << "Version 1.3";
    QTest::newRow("first link caption") << "yamagiCaption" << QRect() << "Yamagi's Home Page";
    QTest::newRow("first link") << "yamagiLink" << QRect() << "https://www.yamagi.org/quake2/";
    QTest::newRow("second link caption") << "skullerCaption" << QRect() << "Skuller's Home Page";
    QTest::newRow("second link") << "skullerLink" << QRect() << "https://skuller.net/q2pro/";
}

void TestAboutWindow::controls()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    FakeQuake2 fake;
    AboutWindow window(true);
    QCOMPARE(window.windowTitle(), QStringLiteral("About Velstrom"));
    QCOMPARE(window.size(), QSize(632, 334));
    QCOMPARE(window.minimumSize(), window.maximumSize());

    auto* widget = window.findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    if (!geometry.isNull())
        QCOMPARE(widget->geometry(), geometry);
    if (auto* label = qobject_cast<QLabel*>(widget); label && !text.isEmpty())
        QCOMPARE(label->text(), text);
    if (auto* button = qobject_cast<QPushButton*>(widget))
        QCOMPARE(button->text(), text);

    // Every label lies wholly inside the credits panel, so nothing is cut off.
    auto* panel = window.findChild<QWidget*>(QStringLiteral("creditsPanel"));
    for (auto* label : panel->findChildren<QLabel*>()) {
        QVERIFY2(panel->rect().contains(label->geometry()), qPrintable(label->objectName()));
        QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->objectName()));
    }
}

void TestAboutWindow::links_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("browserKnown");
    QTest::addColumn<QString>("expected");
    const QString yamagi = QStringLiteral("https://www.yamagi.org/quake2/");
    const QString skuller = QStringLiteral("https://skuller.net/q2pro/");
    QTest::newRow("yamagiLink") << "yamagiLink" << true << "\"/opt/web browser/browse\" " + yamagi;
    QTest::newRow("skullerLink") << "skullerLink" << true << "\"/opt/web browser/browse\" " + skuller;
    // No browser for "htm": the command starts with two double quotes and the runner reports it.
    QTest::newRow("link, no browser") << "yamagiLink" << false << "\"\" " + yamagi;
}

void TestAboutWindow::links()
{
    QFETCH(QString, label);
    QFETCH(bool, browserKnown);
    QFETCH(QString, expected);
    FakeQuake2 fake;
    FakeRegistry registry;
    if (browserKnown)
        registry.associate(QStringLiteral("htm"), QStringLiteral("text/html"),
                           QStringLiteral("\"/opt/web browser/browse\" --new-tab \"%1\""));
    QList<Started> started;
    AboutWindow window(true);
    instrument(window, registry, started);

    auto* link = window.findChild<QLabel*>(label);
    QVERIFY(link->font().underline());
    QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));

    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), link->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(link, &move);
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);

    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(started.size(), 1);
    QCOMPARE(started[0].commandLine, expected);
    QVERIFY(fake.sounds().played().isEmpty());
}

void TestAboutWindow::help_data()
{
    QTest::addColumn<bool>("soundsEnabled");
    QTest::newRow("sounds on") << true;
    QTest::newRow("sounds off") << false;
}

void TestAboutWindow::help()
{
    QFETCH(bool, soundsEnabled);
    FakeQuake2 fake;
    FakeRegistry registry;
    // An old-style command without quotes: the program path keeps the blank before "%u".
    registry.associate(QStringLiteral("html"), QStringLiteral("application/xhtml+xml"),
                       QStringLiteral("/usr/bin/lynx %u"));
    QList<Started> started;
    AboutWindow window(soundsEnabled);
    instrument(window, registry, started);

    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("helpButton")), Qt::LeftButton);
    QCOMPARE(started.size(), 1);
    // The help document's path is given as it is, not in quotes.
    QCOMPARE(started[0].commandLine, "\"/usr/bin/lynx \" " + fake.programDir() + "VELSTROM.html");
    if (soundsEnabled) {
        QCOMPARE(fake.sounds().names(), QStringList{"SND_HELP"});
        QCOMPARE(fake.sounds().played()[0].wait, false);
    } else {
        QVERIFY(fake.sounds().played().isEmpty());
    }
    QVERIFY(window.findChild<QPushButton*>(QStringLiteral("okButton"))->isDefault());
}

void TestAboutWindow::openingSound_data()
{
    QTest::addColumn<bool>("soundsEnabled");
    QTest::newRow("sounds on") << true;
    QTest::newRow("sounds off") << false;
}

void TestAboutWindow::openingSound()
{
    QFETCH(bool, soundsEnabled);
    FakeQuake2 fake;
    QWidget owner;
    QPointer<AboutWindow> shown;
    QStringList playedBeforeShowing;
    const AboutWindowShow previous = setAboutWindowShow([&](AboutWindow& window) {
        shown = &window;
        playedBeforeShowing = fake.sounds().names();
        return int(QDialog::Accepted);
    });
    showAboutWindow(&owner, soundsEnabled);
    setAboutWindowShow(previous);

    QVERIFY(shown.isNull()); // the window was shown, and freed afterwards
    QCOMPARE(playedBeforeShowing, soundsEnabled ? QStringList{"SND_ABOUT"} : QStringList{});
    QCOMPARE(fake.sounds().names(), playedBeforeShowing);
    if (soundsEnabled)
        QCOMPARE(fake.sounds().played()[0].wait, false);
}

void TestAboutWindow::enterCloses()
{
    FakeQuake2 fake;
    std::optional<int> result;
    QPointer<QDialog> dialog;
    QTimer::singleShot(0, this, [&] {
        dialog = qobject_cast<AboutWindow*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        connect(dialog, &QDialog::finished, this, [&](int r) { result = r; });
        QWidget* target = dialog->focusWidget() ? dialog->focusWidget() : dialog.data();
        QTest::keyClick(target, Qt::Key_Return);
    });
    // Should Enter fail to close it, this still ends the modal loop, and the check below fails.
    QTimer::singleShot(5000, this, [&] {
        if (dialog)
            dialog->reject();
    });
    showAboutWindow(nullptr, false);
    QCOMPARE(result, std::optional<int>(QDialog::Accepted));
}

QTEST_MAIN(TestAboutWindow)
#include "tst_aboutwindow.moc"
