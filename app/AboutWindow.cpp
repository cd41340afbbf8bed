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
    {"Label2", "Design: the Velstrom team"},
    {"Label3", "Game module programming: the Velstrom team"},
    {"Label4", "Interface programming: the Velstrom team"},
    {"Label9", "Graphics: the Velstrom team"},
    {"Label11", "Help file: the Velstrom team"},
};

struct HomePage {
    const char* captionName;
    const char* caption;
    const char* linkName;
    const char* address;
};

// Two open-source Quake 2 engines that run a server on Linux.
constexpr HomePage HomePages[] = {
    {"Label6", "Yamagi's Home Page", "Label5", "https://www.yamagi.org/quake2/"},
    {"Label7", "Skuller's Home Page", "Label8", "https://skuller.net/q2pro/"},
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

Tprefs::Tprefs(bool soundsEnabled, QWidget* parent)
    : QDialog(parent), m_soundsEnabled(soundsEnabled),
      m_runCommand([](const QString& commandLine, int showMode) { return RunCommandLine(commandLine, showMode); })
{
    setObjectName(QStringLiteral("prefs"));
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
    FormCreate();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

Tprefs::~Tprefs() { FormDestroy(); }

// The timer must not tick into a window that is going away; the images go with the window.
void Tprefs::FormDestroy() { m_backtimer->stop(); }

void Tprefs::setCommandRunner(CommandRunner runner)
{
    if (runner)
        m_runCommand = std::move(runner);
    else
        m_runCommand = [](const QString& commandLine, int showMode) { return RunCommandLine(commandLine, showMode); };
}

void Tprefs::buildControls()
{
    m_Panel2 = new QFrame(this);
    m_Panel2->setObjectName(QStringLiteral("Panel2"));
    m_Panel2->setGeometry(0, 0, 632, 178);
    m_Panel2->setAutoFillBackground(true);
    QPalette black = m_Panel2->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_Panel2->setPalette(black);

    // The picture is larger than its place: shown unscaled from its top-left corner, right and bottom cut.
    m_Image1 = new QLabel(m_Panel2);
    m_Image1->setObjectName(QStringLiteral("Image1"));
    m_Image1->setGeometry(1, 1, 630, 176);
    m_Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_Image1->setScaledContents(false);
    m_Image1->setPixmap(QPixmap(TitlePicture));

    m_Panel1 = new QFrame(this);
    m_Panel1->setObjectName(QStringLiteral("Panel1"));
    m_Panel1->setGeometry(11, 184, 322, 145);
    m_Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_Panel1->setAutoFillBackground(true);

    auto* version = addLabel(m_Panel1, "Label1", QStringLiteral("Version 1.3"), {8, 5});
    QFont bold = version->font();
    bold.setBold(true);
    version->setFont(bold);
    version->adjustSize();

    int y = 22;
    for (const Credit& credit : Credits) {
        addLabel(m_Panel1, credit.name, QString::fromLatin1(credit.text), {8, y});
        y += 13;
    }

    y += 5;
    for (const HomePage& page : HomePages) {
        addLabel(m_Panel1, page.captionName, QString::fromLatin1(page.caption), {8, y});
        QLabel* link = addLabel(m_Panel1, page.linkName, QString::fromLatin1(page.address), {116, y});
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
        if (std::string_view(page.linkName) == "Label5")
            m_Label5 = link;
        else
            m_Label8 = link;
        y += 14;
    }

    auto* rights = new QLabel(QString::fromUtf8(RightsNotice), m_Panel1);
    rights->setObjectName(QStringLiteral("Label10"));
    QFont small = rights->font();
    small.setPixelSize(8);
    rights->setFont(small);
    rights->setWordWrap(true);
    rights->setGeometry(8, y + 3, 306, 145 - (y + 3) - 3);
    rights->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_BitBtn3 = new QPushButton(QStringLiteral("OK"), this);
    m_BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    m_BitBtn3->setGeometry(552, 276, 75, 25);
    m_BitBtn3->setDefault(true);
    connect(m_BitBtn3, &QPushButton::clicked, this, &QDialog::accept);

    m_BitBtn1 = new QPushButton(QStringLiteral("&Help"), this);
    m_BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    m_BitBtn1->setGeometry(552, 305, 75, 25);
    connect(m_BitBtn1, &QPushButton::clicked, this, guard([this] { BitBtn1Click(); }));

    // OK has the focus when the window opens, so Enter closes it.
    setTabOrder(m_BitBtn3, m_BitBtn1);
    m_BitBtn3->setFocus();

    m_backtimer = new QTimer(this);
    m_backtimer->setObjectName(QStringLiteral("backtimer"));
    m_backtimer->setInterval(TickMs);
    connect(m_backtimer, &QTimer::timeout, this, [this] { backtimerTimer(); });
}

void Tprefs::FormCreate()
{
    m_TileBitmap = QPixmap();
    m_BackBitmap = QPixmap();
    m_drift = BackgroundDrift{};
    LoadTile(TileResource);
    m_backtimer->start();
}

void Tprefs::LoadTile(const QString& resourceName)
{
    m_TileBitmap = QPixmap(QStringLiteral(":/pictures/") + resourceName + QStringLiteral(".png"));
    FormResize();
}

void Tprefs::FormResize()
{
    if (m_ResizeBusy)
        return;
    m_ResizeBusy = true;
    const auto release = qScopeGuard([this] { m_ResizeBusy = false; });

    const int tileW = m_TileBitmap.width();
    const int tileH = m_TileBitmap.height();
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
            painter.drawPixmap(a * tileW, b * tileH, m_TileBitmap);
    painter.end();
    m_BackBitmap = back;
}

void Tprefs::backtimerTimer()
{
    m_drift.tick(m_TileBitmap.width(), m_TileBitmap.height());
    // Painted now, not queued: the drift must not stall behind other events.
    repaint();
}

// FormPaint
void Tprefs::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_BackBitmap.isNull()) {
        painter.fillRect(rect(), FallbackBackground);
        return;
    }
    painter.drawPixmap(-m_drift.ScrollX, -m_drift.ScrollY, m_BackBitmap);
}

void Tprefs::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    FormResize();
}

bool Tprefs::eventFilter(QObject* watched, QEvent* event)
{
    auto* label = qobject_cast<QLabel*>(watched);
    if (label && (label == m_Label5 || label == m_Label8)) {
        if (event->type() == QEvent::MouseMove) {
            Label5MouseMove(label);
        } else if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && label->rect().contains(mouse->position().toPoint()))
                guarded([this, label] { Label5Click(label); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString Tprefs::associatedProgram(const QString& extension) const
{
    return m_registry ? FindAssociatedProgram(extension, *m_registry) : FindAssociatedProgram(extension);
}

void Tprefs::Label5Click(QLabel* sender)
{
    m_runCommand(associatedProgram(QStringLiteral("htm")) + u' ' + sender->text(), SW_SHOWNORMAL);
}

void Tprefs::Label5MouseMove(QLabel* sender) { sender->setCursor(Qt::PointingHandCursor); }

void Tprefs::BitBtn1Click()
{
    if (m_soundsEnabled)
        PlayEventSound(QString::fromLatin1(snd::Help), false);
    // The path goes unquoted, as it always has: a path with blanks reaches the browser as several words.
    m_runCommand(associatedProgram(QStringLiteral("html")) + u' ' + installation().file(q2::HelpDocument),
                 SW_SHOWNORMAL);
}

AboutWindowShow setAboutWindowShow(AboutWindowShow show)
{
    AboutWindowShow previous = std::move(showSeam());
    showSeam() = std::move(show);
    return previous;
}

void showAboutWindow(QWidget* parent, bool soundsEnabled)
{
    const auto window = std::make_unique<Tprefs>(soundsEnabled, parent);
    if (soundsEnabled)
        PlayEventSound(QString::fromLatin1(snd::About), false);
    if (const AboutWindowShow& show = showSeam())
        show(*window);
    else
        runModal(*window);
}
