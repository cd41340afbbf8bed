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
// ScrollX runs 0, 1, ..., tile width - 1 and wraps; ScrollY runs down from the tile height to 1 and wraps.
// ScrollY starts at 0, so the first tick jumps it to a whole tile: the downward drift shows one tick later.
struct BackgroundDrift {
    int ScrollX = 0;
    int ScrollY = 0;

    void tick(int tileWidth, int tileHeight)
    {
        if (++ScrollX >= tileWidth)
            ScrollX = 0;
        if (--ScrollY <= 0)
            ScrollY = tileHeight;
    }
};

// The About window: title picture, version and credits, two home-page links, OK and Help, over a tiled
// background that drifts one pixel left and down every 100 ms.
class Tprefs : public QDialog {
    Q_OBJECT

public:
    // Starts a command line; RunCommandLine unless a test puts something else here.
    using CommandRunner = std::function<bool(const QString& commandLine, int showMode)>;

    // `soundsEnabled` is the main window's switch, which decides whether Help plays its sound.
    explicit Tprefs(bool soundsEnabled, QWidget* parent = nullptr);
    ~Tprefs() override;

    // Where the links and Help look up the browser (nullptr: the desktop's associations; not owned).
    void setAssociations(const AssociationRegistry* registry) { m_registry = registry; }
    void setCommandRunner(CommandRunner runner);

    // Load the tile by its resource name (":/pictures/<name>.png") and rebuild the background.
    void LoadTile(const QString& resourceName);
    void FormResize();
    void backtimerTimer();
    void Label5Click(QLabel* sender);
    void Label5MouseMove(QLabel* sender);
    void BitBtn1Click();

    int scrollX() const { return m_drift.ScrollX; }
    int scrollY() const { return m_drift.ScrollY; }
    const QPixmap& tileBitmap() const { return m_TileBitmap; }
    const QPixmap& backBitmap() const { return m_BackBitmap; }
    QTimer* backtimer() const { return m_backtimer; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    void buildControls();
    QString associatedProgram(const QString& extension) const;

    bool m_soundsEnabled;
    const AssociationRegistry* m_registry = nullptr;
    CommandRunner m_runCommand;

    QPixmap m_TileBitmap;
    QPixmap m_BackBitmap;
    BackgroundDrift m_drift;
    bool m_ResizeBusy = false;

    QFrame* m_Panel1 = nullptr;
    QFrame* m_Panel2 = nullptr;
    QLabel* m_Image1 = nullptr;
    QLabel* m_Label5 = nullptr;
    QLabel* m_Label8 = nullptr;
    QPushButton* m_BitBtn1 = nullptr;
    QPushButton* m_BitBtn3 = nullptr;
    QTimer* m_backtimer = nullptr;
};

// The main window's "&About...": create the window, play SND_ABOUT when sounds are on, show it modally,
// free it.
void showAboutWindow(QWidget* parent, bool soundsEnabled);

// How showAboutWindow shows the window modally; exec() unless a test answers instead. Returns the previous
// one; an empty function restores exec().
using AboutWindowShow = std::function<int(Tprefs& window)>;
AboutWindowShow setAboutWindowShow(AboutWindowShow show);
