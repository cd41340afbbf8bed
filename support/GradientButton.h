#pragma once
#include <QAbstractButton>
#include <QColor>
#include <QImage>

class QPainter;

// A push button that paints its face as a vertical gradient inside a black border, with a bevel and a centred
// caption. It never takes the keyboard focus, so clicking it leaves another control's selection alone.
class GradientButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QColor gradColor READ gradColor WRITE setGradColor)
    Q_PROPERTY(QColor faceColor READ faceColor WRITE setFaceColor)
    Q_PROPERTY(QColor highlightColor READ highlightColor WRITE setHighlightColor)
    Q_PROPERTY(QColor shadowColor READ shadowColor WRITE setShadowColor)
    Q_PROPERTY(int bevelWidth READ bevelWidth WRITE setBevelWidth)
    Q_PROPERTY(int borderWidth READ borderWidth WRITE setBorderWidth)

public:
    explicit GradientButton(QWidget* parent = nullptr);

    QColor gradColor() const { return m_gradColor; }
    QColor faceColor() const { return m_faceColor; }
    QColor highlightColor() const { return m_highlightColor; }
    QColor shadowColor() const { return m_shadowColor; }
    int bevelWidth() const { return m_bevelWidth; }
    int borderWidth() const { return m_borderWidth; }

    void setGradColor(const QColor& color);
    void setFaceColor(const QColor& color);
    void setHighlightColor(const QColor& color);
    void setShadowColor(const QColor& color);
    void setBevelWidth(int width);
    void setBorderWidth(int width);

    // The caption's colour (white unless changed); a disabled button draws it the same.
    QColor captionColor() const;
    void setCaptionColor(const QColor& color);

    // The face from `start` at the top to `end` at the bottom in 256 bands, whatever the image's height.
    static void buildGradient(const QColor& start, const QColor& end, QImage& image);
    // a * b / c rounded to the nearest integer, halves away from zero; -1 when c is 0.
    static int mulDiv(int a, int b, int c);

    // Draws the whole button, as it looks now, with its top-left corner at the painter's origin.
    void paintTo(QPainter& painter);
    const QImage& gradientImage() const { return m_gradient; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuildGradient();
    void drawBevel(QPainter& painter, QRect rect, const QColor& top, const QColor& bottom) const;

    QColor m_gradColor;
    QColor m_faceColor;
    QColor m_highlightColor;
    QColor m_shadowColor;
    int m_bevelWidth = 1;
    int m_borderWidth = 1;
    QImage m_gradient;
};
