// The gradient button, pixel by pixel.
#include "support/GradientButton.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTest>

#include <climits>
#include <cmath>

namespace {

QImage render(GradientButton& button) { return button.grab().toImage().convertToFormat(QImage::Format_RGB32); }

QRgb rgb(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }

QString describe(QRgb c) { return QStringLiteral("(%1,%2,%3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c)); }

#define COMPARE_PIXEL(image, x, y, expected)                                                                           \
    QCOMPARE(describe(rgb((image), (x), (y))), describe(QColor(expected).rgb()))

// The band that shows on row `y` of an image `height` high: bands edges are i * height / 256 rounded half up,
// and where bands share a row the last one wins.
int lastBandOnRow(int y, int height)
{
    const auto edge = [height](int i) { return int(std::floor(i * double(height) / 256.0 + 0.5)); };
    int band = -1;
    for (int i = 0; i < 256; ++i)
        if (edge(i) <= y && y < edge(i + 1))
            band = i;
    return band;
}

// A green button as the message page has it, without caption unless one is given.
void makeGreen(GradientButton& button, const QString& caption = QString())
{
    button.resize(85, 30);
    button.setGradColor(QColor(0, 255, 0));
    button.setText(caption);
}

// The caption drawn as text in white with a transparent background over the same button without one.
QImage withCaptionAt(GradientButton& button, int x, int y)
{
    const QString caption = button.text();
    button.setText(QString());
    QImage image = render(button);
    button.setText(caption);
    QPainter p(&image);
    p.setFont(button.font());
    p.setPen(Qt::white);
    p.drawText(x, y + QFontMetrics(button.font()).ascent(), caption);
    p.end();
    return image;
}

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

class TestGradientButton : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mulDiv_data();
    void mulDiv();
    void defaults();
    void greenGradientRows();
    void gradientEndsAtTheEndColourWhenTallEnough();
    void upRing();
    void pressed();
    void bevelRings_data();
    void bevelRings();
    void noBorder();
    void captionPosition_data();
    void captionPosition();
    void ampersandIsDrawn();
    void setterRepaintsAtOnce_data();
    void setterRepaintsAtOnce();
    void clickAndFocus();
};

void TestGradientButton::mulDiv_data()
{
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("c");
    QTest::addColumn<int>("expected");
    QTest::newRow("exact") << 6 << 4 << 3 << 8;
    QTest::newRow("half rounds up") << 1 << 3 << 2 << 2;
    QTest::newRow("negative half rounds down") << -1 << 3 << 2 << -2;
    QTest::newRow("negative divisor") << 1 << 3 << -2 << -2;
    QTest::newRow("below half") << 1 << 1 << 3 << 0;
    QTest::newRow("band edge") << 5 << 28 << 256 << 1;
    QTest::newRow("band edge below half") << 4 << 28 << 256 << 0;
    QTest::newRow("colour step down") << 7 << -255 << 255 << -7;
    QTest::newRow("no overflow") << INT_MAX << 4 << 8 << 1073741824;
    QTest::newRow("zero divisor") << 5 << 5 << 0 << -1;
}

void TestGradientButton::mulDiv()
{
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, c);
    QFETCH(int, expected);
    QCOMPARE(GradientButton::mulDiv(a, b, c), expected);
}

void TestGradientButton::defaults()
{
    GradientButton button;
    QCOMPARE(button.size(), QSize(100, 30));
    QCOMPARE(button.text(), QStringLiteral("TGradButton"));
    QCOMPARE(button.focusPolicy(), Qt::NoFocus);
    QCOMPARE(button.gradColor(), QColor(0, 0, 255));
    QCOMPARE(button.faceColor(), QColor(Qt::black));
    QCOMPARE(button.highlightColor(), QColor(Qt::white));
    QCOMPARE(button.shadowColor(), QColor(Qt::black));
    QCOMPARE(button.bevelWidth(), 1);
    QCOMPARE(button.borderWidth(), 1);
    QCOMPARE(button.captionColor(), QColor(Qt::white));

    button.setText(QString());
    const QImage image = render(button);
    QCOMPARE(button.gradientImage().size(), QSize(98, 28));
    COMPARE_PIXEL(image, 0, 0, Qt::black);
    COMPARE_PIXEL(image, 99, 29, Qt::black);
    COMPARE_PIXEL(image, 1, 1, Qt::white);
    COMPARE_PIXEL(image, 98, 28, Qt::black);
    // Blue at the top fading to black.
    COMPARE_PIXEL(image, 50, 2, QColor(0, 0, 255 - lastBandOnRow(1, 28)));
    COMPARE_PIXEL(image, 50, 27, QColor(0, 0, 255 - lastBandOnRow(26, 28)));
}

void TestGradientButton::greenGradientRows()
{
    GradientButton button;
    makeGreen(button);
    render(button);
    const QImage& gradient = button.gradientImage();
    QCOMPARE(gradient.size(), QSize(83, 28));
    // Worked out by hand: row 0 ends with band 4, and the last row with band 251 (bands 252 to 255 are empty).
    COMPARE_PIXEL(gradient, 0, 0, QColor(0, 251, 0));
    COMPARE_PIXEL(gradient, 82, 27, QColor(0, 4, 0));
    for (int y = 0; y < 28; ++y) {
        const QColor expected(0, 255 - lastBandOnRow(y, 28), 0);
        for (const int x : {0, 41, 82})
            COMPARE_PIXEL(gradient, x, y, expected);
    }
}

void TestGradientButton::gradientEndsAtTheEndColourWhenTallEnough()
{
    // 512 rows: every band covers two rows, so both ends show exactly.
    QImage image(3, 512, QImage::Format_RGB32);
    GradientButton::buildGradient(QColor(10, 200, 255), QColor(250, 0, 5), image);
    COMPARE_PIXEL(image, 0, 0, QColor(10, 200, 255));
    COMPARE_PIXEL(image, 2, 511, QColor(250, 0, 5));
    // Band 128, halfway: 10 + 128*240/255, 200 - 128*200/255, 255 - 128*250/255, each rounded.
    COMPARE_PIXEL(image, 1, 256, QColor(130, 100, 130));
}

void TestGradientButton::upRing()
{
    GradientButton button;
    makeGreen(button);
    button.setHighlightColor(Qt::yellow);
    button.setShadowColor(Qt::red);
    const QImage image = render(button);
    for (int x = 0; x < 85; ++x) {
        COMPARE_PIXEL(image, x, 0, Qt::black);
        COMPARE_PIXEL(image, x, 29, Qt::black);
    }
    for (int y = 0; y < 30; ++y) {
        COMPARE_PIXEL(image, 0, y, Qt::black);
        COMPARE_PIXEL(image, 84, y, Qt::black);
    }
    // Top and left in the highlight, bottom and right in the shadow; two corners take the shadow.
    COMPARE_PIXEL(image, 1, 1, Qt::yellow);
    COMPARE_PIXEL(image, 82, 1, Qt::yellow);
    COMPARE_PIXEL(image, 1, 27, Qt::yellow);
    COMPARE_PIXEL(image, 83, 1, Qt::red);
    COMPARE_PIXEL(image, 1, 28, Qt::red);
    COMPARE_PIXEL(image, 83, 28, Qt::red);
    COMPARE_PIXEL(image, 40, 28, Qt::red);
    COMPARE_PIXEL(image, 83, 14, Qt::red);
    // Inside the ring the image shows where it was drawn, at (1, 1).
    for (int y = 2; y < 28; ++y)
        COMPARE_PIXEL(image, 2, y, button.gradientImage().pixel(1, y - 1));
}

void TestGradientButton::pressed()
{
    GradientButton button;
    makeGreen(button);
    button.setHighlightColor(Qt::yellow);
    button.setShadowColor(Qt::red);
    button.setFaceColor(Qt::blue);
    button.setDown(true);
    const QImage image = render(button);
    const QImage& gradient = button.gradientImage();
    COMPARE_PIXEL(image, 0, 0, Qt::black);
    COMPARE_PIXEL(image, 84, 0, Qt::black);
    COMPARE_PIXEL(image, 0, 29, Qt::black);
    // The bevel stays on the inner rectangle: shadow at top and left, face colour at bottom and right.
    COMPARE_PIXEL(image, 1, 1, Qt::red);
    COMPARE_PIXEL(image, 1, 27, Qt::red);
    COMPARE_PIXEL(image, 82, 1, Qt::red);
    COMPARE_PIXEL(image, 83, 1, Qt::blue);
    COMPARE_PIXEL(image, 1, 28, Qt::blue);
    COMPARE_PIXEL(image, 83, 28, Qt::blue);
    // The image moved one pixel right and down: its last column and row lie over the border.
    COMPARE_PIXEL(image, 2, 2, gradient.pixel(0, 0));
    COMPARE_PIXEL(image, 40, 20, gradient.pixel(38, 18));
    for (int y = 2; y < 30; ++y)
        COMPARE_PIXEL(image, 84, y, gradient.pixel(82, y - 2));
    for (int x = 2; x < 85; ++x)
        COMPARE_PIXEL(image, x, 29, gradient.pixel(x - 2, 27));

    button.setDown(false);
    const QImage up = render(button);
    COMPARE_PIXEL(up, 84, 29, Qt::black);
    COMPARE_PIXEL(up, 1, 1, Qt::yellow);
}

void TestGradientButton::bevelRings_data()
{
    QTest::addColumn<int>("border");
    QTest::addColumn<int>("bevel");
    QTest::newRow("no bevel") << 1 << 0;
    QTest::newRow("one ring") << 1 << 1;
    QTest::newRow("three rings") << 1 << 3;
    QTest::newRow("three rings, wide border") << 4 << 3;
}

void TestGradientButton::bevelRings()
{
    QFETCH(int, border);
    QFETCH(int, bevel);
    GradientButton button;
    makeGreen(button);
    button.setHighlightColor(Qt::yellow);
    button.setShadowColor(Qt::red);
    button.setBorderWidth(border);
    button.setBevelWidth(bevel);
    const QImage image = render(button);
    QCOMPARE(button.gradientImage().size(), QSize(85 - 2 * border, 30 - 2 * border));
    for (int j = 0; j < bevel; ++j) {
        const int left = border + j, top = border + j;
        const int right = 85 - border - 1 - j, bottom = 30 - border - 1 - j;
        COMPARE_PIXEL(image, left, top, Qt::yellow);
        COMPARE_PIXEL(image, right - 1, top, Qt::yellow);
        COMPARE_PIXEL(image, left, bottom - 1, Qt::yellow);
        COMPARE_PIXEL(image, right, top, Qt::red);
        COMPARE_PIXEL(image, left, bottom, Qt::red);
        COMPARE_PIXEL(image, right, bottom, Qt::red);
    }
    // Just inside the rings, the gradient.
    const int inside = border + bevel;
    COMPARE_PIXEL(image, inside, inside, button.gradientImage().pixel(bevel, bevel));
    COMPARE_PIXEL(image, 84 - inside, 29 - inside,
                  button.gradientImage().pixel(84 - inside - border, 29 - inside - border));
    for (int k = 0; k < border; ++k)
        COMPARE_PIXEL(image, 40, k, Qt::black);
}

void TestGradientButton::noBorder()
{
    GradientButton button;
    makeGreen(button);
    button.setBorderWidth(0);
    const QImage image = render(button);
    QCOMPARE(button.gradientImage().size(), QSize(85, 30));
    COMPARE_PIXEL(image, 0, 0, Qt::white);
    COMPARE_PIXEL(image, 0, 15, Qt::white);
    COMPARE_PIXEL(image, 84, 0, Qt::black);
    COMPARE_PIXEL(image, 40, 0, Qt::white);
    COMPARE_PIXEL(image, 1, 1, button.gradientImage().pixel(1, 1));
    COMPARE_PIXEL(image, 83, 28, button.gradientImage().pixel(83, 28));
    QVERIFY(button.gradientImage().pixel(83, 28) != QColor(Qt::black).rgb());
}

void TestGradientButton::captionPosition_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("widthOverText"); // button width minus caption width; 0 keeps 100
    QTest::addColumn<bool>("down");
    QTest::newRow("default caption") << QStringLiteral("TGradButton") << 0 << false;
    QTest::newRow("green, up") << QStringLiteral("Green") << 0 << false;
    QTest::newRow("green, pressed") << QStringLiteral("Green") << 0 << true;
    QTest::newRow("wider than the button") << QStringLiteral("WWWWWWWWWWWW") << -21 << false;
    QTest::newRow("wider than the button, pressed") << QStringLiteral("WWWWWWWWWWWW") << -21 << true;
}

void TestGradientButton::captionPosition()
{
    QFETCH(QString, caption);
    QFETCH(int, widthOverText);
    QFETCH(bool, down);
    GradientButton button;
    button.setText(caption);
    const QFontMetrics metrics(button.font());
    const int textWidth = metrics.horizontalAdvance(caption);
    if (widthOverText != 0)
        button.resize(textWidth + widthOverText, 30);
    button.setDown(down);
    const int w = button.width();
    // Rounded toward zero: a caption 21 pixels too wide starts 10 pixels left of the button, not 11.
    const int x = widthOverText < 0 ? -((textWidth - w) / 2) : (w - textWidth) / 2;
    const int y = (30 - metrics.height()) / 2;
    const int shift = down ? 1 : 0;

    const QImage actual = render(button);
    QCOMPARE(actual, withCaptionAt(button, x + shift, y + shift));
    QVERIFY(actual != withCaptionAt(button, x + shift - 1, y + shift));
    QVERIFY(actual != withCaptionAt(button, x + 1 - shift, y + 1 - shift));
}

void TestGradientButton::ampersandIsDrawn()
{
    GradientButton button;
    button.setText(QStringLiteral("A&B"));
    const QFontMetrics metrics(button.font());
    const int x = (100 - metrics.horizontalAdvance(QStringLiteral("A&B"))) / 2;
    QCOMPARE(render(button), withCaptionAt(button, x, (30 - metrics.height()) / 2));
    // A disabled button looks the same.
    const QImage enabled = render(button);
    button.setEnabled(false);
    QCOMPARE(render(button), enabled);
}

void TestGradientButton::setterRepaintsAtOnce_data()
{
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("current");
    QTest::addColumn<QVariant>("other");
    QTest::addColumn<bool>("gradientChanges"); // rebuilt for new colours, resized for a new border
    QTest::newRow("gradColor") << QByteArray("gradColor") << QVariant(QColor(0, 0, 255)) << QVariant(QColor(Qt::red))
                               << true;
    QTest::newRow("faceColor") << QByteArray("faceColor") << QVariant(QColor(Qt::black)) << QVariant(QColor(Qt::white))
                               << true;
    QTest::newRow("highlightColor") << QByteArray("highlightColor") << QVariant(QColor(Qt::white))
                                    << QVariant(QColor(Qt::gray)) << false;
    QTest::newRow("shadowColor") << QByteArray("shadowColor") << QVariant(QColor(Qt::black))
                                 << QVariant(QColor(Qt::gray)) << false;
    QTest::newRow("bevelWidth") << QByteArray("bevelWidth") << QVariant(1) << QVariant(2) << false;
    QTest::newRow("borderWidth") << QByteArray("borderWidth") << QVariant(1) << QVariant(3) << true;
}

void TestGradientButton::setterRepaintsAtOnce()
{
    QFETCH(QByteArray, property);
    QFETCH(QVariant, current);
    QFETCH(QVariant, other);
    QFETCH(bool, gradientChanges);

    GradientButton button;
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QCoreApplication::processEvents();
    PaintCounter counter;
    button.installEventFilter(&counter);
    const QImage before = button.gradientImage();

    QVERIFY(button.setProperty(property.constData(), current));
    QCOMPARE(counter.paints, 0);
    QCoreApplication::processEvents();
    QCOMPARE(counter.paints, 0);

    // Painted before any event is processed.
    QVERIFY(button.setProperty(property.constData(), other));
    QCOMPARE(counter.paints, 1);
    QCOMPARE(button.property(property.constData()), other);
    QCOMPARE(button.gradientImage() != before, gradientChanges);
}

void TestGradientButton::clickAndFocus()
{
    GradientButton button;
    int clicks = 0;
    connect(&button, &QAbstractButton::clicked, [&clicks] { ++clicks; });
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(button.isDown());
    QCOMPARE(clicks, 0);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(!button.isDown());
    QCOMPARE(clicks, 1);
    QVERIFY(!button.hasFocus());
}

QTEST_MAIN(TestGradientButton)
#include "tst_gradientbutton.moc"
