#pragma once
#include <QAbstractButton>
#include <QColor>
#include <QImage>

class QPainter;

// A push button that paints its face as a vertical gradient inside a black border, with a bevel and a centred
// caption. It never takes the keyboard focus, so clicking it leaves another control's selection alone.
class TGradButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QColor GradColor READ GradColor WRITE setGradColor)
    Q_PROPERTY(QColor FaceColor READ FaceColor WRITE setFaceColor)
    Q_PROPERTY(QColor HighlightColor READ HighlightColor WRITE setHighlightColor)
    Q_PROPERTY(QColor ShadowColor READ ShadowColor WRITE setShadowColor)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE setBevelWidth)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE setBorderWidth)

public:
    explicit TGradButton(QWidget* parent = nullptr);

    QColor GradColor() const { return m_gradColor; }
    QColor FaceColor() const { return m_faceColor; }
    QColor HighlightColor() const { return m_highlightColor; }
    QColor ShadowColor() const { return m_shadowColor; }
    int BevelWidth() const { return m_bevelWidth; }
    int BorderWidth() const { return m_borderWidth; }

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
    static void BuildGradient(const QColor& start, const QColor& end, QImage& image);
    // a * b / c rounded to the nearest integer, halves away from zero; -1 when c is 0.
    static int MulDiv(int a, int b, int c);

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
