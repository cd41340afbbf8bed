#include "app/AboutWindow.h"

#include "support/Quake2Paths.h"
#include "support/Associations.h"
#include "support/ErrorReport.h"
#include "support/Installation.h"
#include "support/ModalRun.h"
#include "support/Shell.h"
#include "support/Sound.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>

#include <memory>
#include <string_view>

namespace {

constexpr int ClientWidth = 632;
constexpr int ClientHeight = 334;
constexpr int TickMs = 100;

const QString TileResource = QStringLiteral("BITMAP_20");
const QString TitlePicture = QStringLiteral(":/pictures/title.png");

// Shown where the tile could not be loaded, so the window is still painted everywhere.
const QColor FallbackBackground(36, 38, 44);

struct Credit {
    const char* name;
    const char* text;
};

// Version, credits, links and the rights notice, top to bottom in the credits panel.
constexpr Credit Credits[] = {
    {"designLabel", "Design: the Velstrom team"},
    {"moduleLabel", "Game module programming: the Velstrom team"},
    {"interfaceLabel", "Interface programming: the Velstrom team"},
    {"graphicsLabel", "Graphics: the Velstrom team"},
    {"helpFileLabel", "Help file: the Velstrom team"},
};

struct HomePage {
    const char* captionName;
    const char* caption;
    const char* linkName;
    const char* address;
};

// Two open-source Quake 2 engines that run a server on Linux.
constexpr HomePage HomePages[] = {
    {"yamagiCaption", "Yamagi's Home Page", "yamagiLink", "https://www.yamagi.org/quake2/"},
    {"skullerCaption", "Skuller's Home Page", "skullerLink", "https://skuller.net/q2pro/"},
};

constexpr char RightsNotice[] = "Copyright \u00a9 the Velstrom team. Quake 2 is a trademark of id Software; "
                                "Velstrom is not made or endorsed by id Software.";

QLabel* addLabel(QWidget* parent, const char* name, const QString& text, const QPoint& at)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(at);
    label->adjustSize();
    return label;
}

AboutWindowShow& showSeam()
{
    static AboutWindowShow show;
    return show;
}

} // namespace

AboutWindow::AboutWindow(bool soundsEnabled, QWidget* parent)
    : QDialog(parent), m_soundsEnabled(soundsEnabled),
      m_runCommand([](const QString& commandLine) { return runCommandLine(commandLine); })
{
    setObjectName(QStringLiteral("AboutWindow"));
    setWindowTitle(QStringLiteral("About Velstrom"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(ClientWidth, ClientHeight);
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPixelSize(11);
    setFont(windowFont);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    // Every pixel is drawn by paintEvent from the background image; erasing first would only flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);

    buildControls();
    initialise();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

AboutWindow::~AboutWindow() { stopBackground(); }

// The timer must not tick into a window that is going away; the images go with the window.
void AboutWindow::stopBackground() { m_backgroundTimer->stop(); }

void AboutWindow::setCommandRunner(CommandRunner runner)
{
    if (runner)
        m_runCommand = std::move(runner);
    else
        m_runCommand = [](const QString& commandLine) { return runCommandLine(commandLine); };
}

void AboutWindow::buildControls()
{
    m_picturePanel = new QFrame(this);
    m_picturePanel->setObjectName(QStringLiteral("picturePanel"));
    m_picturePanel->setGeometry(0, 0, 632, 178);
    m_picturePanel->setAutoFillBackground(true);
    QPalette black = m_picturePanel->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_picturePanel->setPalette(black);

    // The picture is larger than its place: shown unscaled from its top-left corner, right and bottom cut.
    m_picture = new QLabel(m_picturePanel);
    m_picture->setObjectName(QStringLiteral("picture"));
    m_picture->setGeometry(1, 1, 630, 176);
    m_picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_picture->setScaledContents(false);
    m_picture->setPixmap(QPixmap(TitlePicture));

    m_creditsPanel = new QFrame(this);
    m_creditsPanel->setObjectName(QStringLiteral("creditsPanel"));
    m_creditsPanel->setGeometry(11, 184, 322, 145);
    m_creditsPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_creditsPanel->setAutoFillBackground(true);

    auto* version = addLabel(m_creditsPanel, "versionLabel", QStringLiteral("Version 1.3"), {8, 5});
    QFont bold = version->font();
    bold.setBold(true);
    version->setFont(bold);
    version->adjustSize();

    int y = 22;
    for (const Credit& credit : Credits) {
        addLabel(m_creditsPanel, credit.name, QString::fromLatin1(credit.text), {8, y});
        y += 13;
    }

    y += 5;
    for (const HomePage& page : HomePages) {
        addLabel(m_creditsPanel, page.captionName, QString::fromLatin1(page.caption), {8, y});
        QLabel* link = addLabel(m_creditsPanel, page.linkName, QString::fromLatin1(page.address), {116, y});
        QFont underlined = link->font();
        underlined.setUnderline(true);
        link->setFont(underlined);
        QPalette blue = link->palette();
        blue.setColor(QPalette::WindowText, Qt::blue);
        link->setPalette(blue);
        link->adjustSize();
        // Mouse moves without a button pressed, for the hand cursor.
        link->setMouseTracking(true);
        link->installEventFilter(this);
        if (std::string_view(page.linkName) == "yamagiLink")
            m_yamagiLink = link;
        else
            m_skullerLink = link;
        y += 14;
    }

    auto* rights = new QLabel(QString::fromUtf8(RightsNotice), m_creditsPanel);
    rights->setObjectName(QStringLiteral("rightsLabel"));
    QFont small = rights->font();
    small.setPixelSize(8);
    rights->setFont(small);
    rights->setWordWrap(true);
    rights->setGeometry(8, y + 3, 306, 145 - (y + 3) - 3);
    rights->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setGeometry(552, 276, 75, 25);
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);

    m_helpButton = new QPushButton(QStringLiteral("&Help"), this);
    m_helpButton->setObjectName(QStringLiteral("helpButton"));
    m_helpButton->setGeometry(552, 305, 75, 25);
    connect(m_helpButton, &QPushButton::clicked, this, guard([this] { helpClicked(); }));

    // OK has the focus when the window opens, so Enter closes it.
    setTabOrder(m_okButton, m_helpButton);
    m_okButton->setFocus();

    m_backgroundTimer = new QTimer(this);
    m_backgroundTimer->setObjectName(QStringLiteral("backgroundTimer"));
    m_backgroundTimer->setInterval(TickMs);
    connect(m_backgroundTimer, &QTimer::timeout, this, [this] { backgroundTick(); });
}

void AboutWindow::initialise()
{
    m_tileBitmap = QPixmap();
    m_backBitmap = QPixmap();
    m_drift = BackgroundDrift{};
    loadTile(TileResource);
    m_backgroundTimer->start();
}

void AboutWindow::loadTile(const QString& resourceName)
{
    m_tileBitmap = QPixmap(QStringLiteral(":/pictures/") + resourceName + QStringLiteral(".png"));
    rebuildBackground();
}

void AboutWindow::rebuildBackground()
{
    if (m_resizeBusy)
        return;
    m_resizeBusy = true;
    const auto release = qScopeGuard([this] { m_resizeBusy = false; });

    const int tileW = m_tileBitmap.width();
    const int tileH = m_tileBitmap.height();
    if (tileW <= 0 || tileH <= 0)
        return;
    // The outer size, so the image is at least as large as anything the window can show.
    const QSize outer = frameGeometry().size().expandedTo(size());
    QPixmap back(tileW + outer.width(), tileH + outer.height());
    if (back.isNull())
        return; // abandon this rebuild; the previous background stays
    QPainter painter(&back);
    for (int a = 0; a <= outer.width() / tileW + 1; ++a)
        for (int b = 0; b <= outer.height() / tileH + 1; ++b)
            painter.drawPixmap(a * tileW, b * tileH, m_tileBitmap);
    painter.end();
    m_backBitmap = back;
}

void AboutWindow::backgroundTick()
{
    m_drift.tick(m_tileBitmap.width(), m_tileBitmap.height());
    // Painted now, not queued: the drift must not stall behind other events.
    repaint();
}

// FormPaint
void AboutWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_backBitmap.isNull()) {
        painter.fillRect(rect(), FallbackBackground);
        return;
    }
    painter.drawPixmap(-m_drift.scrollX, -m_drift.scrollY, m_backBitmap);
}

void AboutWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    rebuildBackground();
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* event)
{
    auto* label = qobject_cast<QLabel*>(watched);
    if (label && (label == m_yamagiLink || label == m_skullerLink)) {
        if (event->type() == QEvent::MouseMove) {
            linkHovered(label);
        } else if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && label->rect().contains(mouse->position().toPoint()))
                guarded([this, label] { linkClicked(label); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString AboutWindow::associatedProgram(const QString& extension) const
{
    return m_registry ? findAssociatedProgram(extension, *m_registry) : findAssociatedProgram(extension);
}

void AboutWindow::linkClicked(QLabel* sender)
{
    m_runCommand(associatedProgram(QStringLiteral("htm")) + u' ' + sender->text());
}

void AboutWindow::linkHovered(QLabel* sender) { sender->setCursor(Qt::PointingHandCursor); }

void AboutWindow::helpClicked()
{
    if (m_soundsEnabled)
        playSound(QString::fromLatin1(snd::Help), false);
    // The path goes unquoted, as it always has: a path with blanks reaches the browser as several words.
    m_runCommand(associatedProgram(QStringLiteral("html")) + u' ' + installation().file(q2::HelpDocument));
}

AboutWindowShow setAboutWindowShow(AboutWindowShow show)
{
    AboutWindowShow previous = std::move(showSeam());
    showSeam() = std::move(show);
    return previous;
}

void showAboutWindow(QWidget* parent, bool soundsEnabled)
{
    const auto window = std::make_unique<AboutWindow>(soundsEnabled, parent);
    if (soundsEnabled)
        playSound(QString::fromLatin1(snd::About), false);
    if (const AboutWindowShow& show = showSeam())
        show(*window);
    else
        runModal(*window);
}
