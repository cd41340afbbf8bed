#include "support/GradientButton.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

GradientButton::GradientButton(QWidget* parent)
    : QAbstractButton(parent), m_gradColor(0, 0, 255), m_faceColor(Qt::black), m_highlightColor(Qt::white),
      m_shadowColor(Qt::black)
{
    setFocusPolicy(Qt::NoFocus);
    resize(100, 30);
    m_gradient = QImage(width(), height(), QImage::Format_RGB32);
    buildGradient(m_gradColor, m_faceColor, m_gradient);
    setCaptionColor(Qt::white);
    setText(QStringLiteral("TGradButton"));
}

QSize GradientButton::sizeHint() const { return {100, 30}; }

QColor GradientButton::captionColor() const { return palette().color(QPalette::Active, QPalette::ButtonText); }

void GradientButton::setCaptionColor(const QColor& color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::ButtonText, color);
    setPalette(pal);
}

void GradientButton::setGradColor(const QColor& color)
{
    if (color == m_gradColor)
        return;
    m_gradColor = color;
    rebuildGradient();
    repaint();
}

void GradientButton::setFaceColor(const QColor& color)
{
    if (color == m_faceColor)
        return;
    m_faceColor = color;
    rebuildGradient();
    repaint();
}

void GradientButton::setHighlightColor(const QColor& color)
{
    if (color == m_highlightColor)
        return;
    m_highlightColor = color;
    repaint();
}

void GradientButton::setShadowColor(const QColor& color)
{
    if (color == m_shadowColor)
        return;
    m_shadowColor = color;
    repaint();
}

void GradientButton::setBevelWidth(int width)
{
    if (width == m_bevelWidth)
        return;
    m_bevelWidth = width;
    repaint();
}

void GradientButton::setBorderWidth(int width)
{
    if (width == m_borderWidth)
        return;
    m_borderWidth = width;
    repaint();
}

int GradientButton::mulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long long product = static_cast<long long>(a) * b;
    const unsigned long long num = static_cast<unsigned long long>(std::llabs(product));
    const unsigned long long den = static_cast<unsigned long long>(std::llabs(static_cast<long long>(c)));
    const auto magnitude = static_cast<long long>((2 * num + den) / (2 * den));
    return static_cast<int>((product < 0) != (c < 0) ? -magnitude : magnitude);
}

void GradientButton::buildGradient(const QColor& start, const QColor& end, QImage& image)
{
    if (image.isNull())
        return;
    const int r0 = start.red();
    const int g0 = start.green();
    const int b0 = start.blue();
    const int dr = end.red() - r0;
    const int dg = end.green() - g0;
    const int db = end.blue() - b0;
    const int h = image.height();
    // Bands fall on the same rows when the image is less than 256 high; the last one to cover a row wins.
    for (int i = 0; i < 256; ++i) {
        const int top = mulDiv(i, h, 256);
        const int bottom = mulDiv(i + 1, h, 256);
        if (bottom <= top)
            continue;
        const QRgb color = qRgb(r0 + mulDiv(i, dr, 255), g0 + mulDiv(i, dg, 255), b0 + mulDiv(i, db, 255));
        for (int y = top; y < bottom; ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            std::fill(row, row + image.width(), color);
        }
    }
}

void GradientButton::rebuildGradient() { buildGradient(m_gradColor, m_faceColor, m_gradient); }

void GradientButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintTo(painter);
}

namespace {

// One-pixel lines as the platform draws them: from the first point towards the second, which is left out.
void horizontalLine(QPainter& p, int x0, int x1, int y, const QColor& color)
{
    if (x0 < x1)
        p.fillRect(x0, y, x1 - x0, 1, color);
    else if (x0 > x1)
        p.fillRect(x1 + 1, y, x0 - x1, 1, color);
}

void verticalLine(QPainter& p, int x, int y0, int y1, const QColor& color)
{
    if (y0 < y1)
        p.fillRect(x, y0, 1, y1 - y0, color);
    else if (y0 > y1)
        p.fillRect(x, y1 + 1, 1, y0 - y1, color);
}

} // namespace

void GradientButton::drawBevel(QPainter& p, QRect rect, const QColor& top, const QColor& bottom) const
{
    // Edges as the platform's rectangles have them: right and bottom just outside, then pulled in by one.
    int left = rect.left();
    int upper = rect.top();
    int right = rect.left() + rect.width() - 1;
    int lower = rect.top() + rect.height() - 1;
    for (int i = 0; i < m_bevelWidth; ++i) {
        verticalLine(p, left, lower, upper, top);
        horizontalLine(p, left, right, upper, top);
        verticalLine(p, right, upper, lower, bottom);
        horizontalLine(p, right, left, lower, bottom);
        p.fillRect(left, lower, 1, 1, bottom);
        ++left;
        ++upper;
        --right;
        --lower;
    }
}

void GradientButton::paintTo(QPainter& p)
{
    const int w = width();
    const int h = height();
    const int border = m_borderWidth;
    const QRect inner(border, border, w - 2 * border, h - 2 * border);

    p.setFont(font());
    const QFontMetrics metrics(font());
    const QString caption = text();
    // Integer division rounds toward zero, so a caption wider than the button starts left of it.
    const int x = (w - metrics.horizontalAdvance(caption)) / 2;
    const int y = (h - metrics.height()) / 2;

    const int imageWidth = std::max(0, w - 2 * border);
    const int imageHeight = std::max(0, h - 2 * border);
    if (m_gradient.width() != imageWidth || m_gradient.height() != imageHeight) {
        m_gradient = QImage(imageWidth, imageHeight, QImage::Format_RGB32);
        rebuildGradient();
    }

    const bool down = isDown();
    const int shift = down ? 1 : 0;
    p.fillRect(0, 0, w, h, Qt::black);
    if (!m_gradient.isNull())
        p.drawImage(border + shift, border + shift, m_gradient);
    if (down)
        drawBevel(p, inner, m_shadowColor, m_faceColor);
    else
        drawBevel(p, inner, m_highlightColor, m_shadowColor);
    p.setBackgroundMode(Qt::TransparentMode);
    p.setPen(captionColor());
    p.drawText(x + shift, y + shift + metrics.ascent(), caption);
}
