#pragma once
#include <QDialog>
#include <QPixmap>

#include <functional>

class AssociationRegistry;
class QFrame;
class QLabel;
class QPushButton;
class QTimer;

// The drift of the About window's background: where in the tiled image the window's top-left corner lies.
// scrollX runs 0, 1, ..., tile width - 1 and wraps; scrollY runs down from the tile height to 1 and wraps.
// scrollY starts at 0, so the first tick jumps it to a whole tile: the downward drift shows one tick later.
struct BackgroundDrift {
    int scrollX = 0;
    int scrollY = 0;

    void tick(int tileWidth, int tileHeight)
    {
        if (++scrollX >= tileWidth)
            scrollX = 0;
        if (--scrollY <= 0)
            scrollY = tileHeight;
    }
};

// The About window: title picture, version and credits, two home-page links, OK and Help, over a tiled
// background that drifts one pixel left and down every 100 ms.
class AboutWindow : public QDialog {
    Q_OBJECT

public:
    // Starts a command line; runCommandLine unless a test puts something else here.
    using CommandRunner = std::function<bool(const QString& commandLine)>;

    // `soundsEnabled` is the main window's switch, which decides whether Help plays its sound.
    explicit AboutWindow(bool soundsEnabled, QWidget* parent = nullptr);
    ~AboutWindow() override;

    // Where the links and Help look up the browser (nullptr: the desktop's associations; not owned).
    void setAssociations(const AssociationRegistry* registry) { m_registry = registry; }
    void setCommandRunner(CommandRunner runner);

    // Load the tile by its resource name (":/pictures/<name>.png") and rebuild the background.
    void loadTile(const QString& resourceName);
    void rebuildBackground();
    void backgroundTick();
    void linkClicked(QLabel* sender);
    void linkHovered(QLabel* sender);
    void helpClicked();

    int scrollX() const { return m_drift.scrollX; }
    int scrollY() const { return m_drift.scrollY; }
    const QPixmap& tileBitmap() const { return m_tileBitmap; }
    const QPixmap& backBitmap() const { return m_backBitmap; }
    QTimer* backgroundTimer() const { return m_backgroundTimer; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void initialise();
    void stopBackground();
    void buildControls();
    QString associatedProgram(const QString& extension) const;

    bool m_soundsEnabled;
    const AssociationRegistry* m_registry = nullptr;
    CommandRunner m_runCommand;

    QPixmap m_tileBitmap;
    QPixmap m_backBitmap;
    BackgroundDrift m_drift;
    bool m_resizeBusy = false;

    QFrame* m_creditsPanel = nullptr;
    QFrame* m_picturePanel = nullptr;
    QLabel* m_picture = nullptr;
    QLabel* m_yamagiLink = nullptr;
    QLabel* m_skullerLink = nullptr;
    QPushButton* m_helpButton = nullptr;
    QPushButton* m_okButton = nullptr;
    QTimer* m_backgroundTimer = nullptr;
};

// The main window's "&About...": create the window, play SND_ABOUT when sounds are on, show it modally,
// free it.
void showAboutWindow(QWidget* parent, bool soundsEnabled);

// How showAboutWindow shows the window modally; exec() unless a test answers instead. Returns the previous
// one; an empty function restores exec().
using AboutWindowShow = std::function<int(AboutWindow& window)>;
AboutWindowShow setAboutWindowShow(AboutWindowShow show);
