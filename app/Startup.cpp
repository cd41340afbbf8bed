#include "app/Startup.h"

#include "app/MainWindow.h"
#include "launch/EngineFinder.h"
#include "levels/LevelsController.h"
#include "support/Associations.h"
#include "support/ErrorReport.h"
#include "support/Installation.h"
#include "support/MessageBoxes.h"
#include "support/ProgramLock.h"
#include "support/Quake2Paths.h"
#include "support/Shell.h"
#include "support/Sound.h"
#include "support/TextUtil.h"

#include <QDir>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLockFile>
#include <QScreen>

bool warnIfGameMissing()
{
    if (anyGameEngine(installation().quake2Dir()))
        return false;
    playSound(QString::fromLatin1(snd::WarnGame), false);
    const QString text =
        QStringLiteral("This program must reside in a subdirectory of the main Quake2 directory or the whole program "
                       "won't work!!!\r\n\r\nThe \"readme.txt\" file contains much information on how the program "
                       "works, and can save you some possible frustration.  Would you like to read it now?");
    if (msgbox::show(nullptr, msgbox::Icon::Warning, QStringLiteral("Warning"), text,
                     {msgbox::Button::Yes, msgbox::Button::No}) == msgbox::Button::Yes) {
        runCommandLine(findAssociatedProgram(QStringLiteral("txt")) + u' ' + quoteText(installation().file(q2::Readme)));
    }
    return true;
}

std::unique_ptr<QLockFile> lockProgramDirectory()
{
    ProgramLock taken = takeProgramLock(installation());
    if (taken.lock)
        return std::move(taken.lock);
    qWarning("%s", qUtf8Printable(taken.refusal)); // for a start from a terminal or a script too
    msgbox::information(nullptr, QStringLiteral("Information"), taken.refusal);
    return nullptr;
}

void centreOnScreen(MainWindow& window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
}

MainWindow* startVelstrom()
{
    setApplicationTitle(QStringLiteral("Velstrom"));
    auto* window = new MainWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    // Close hides the window before closing it, so the last-window rule would not end the program.
    QObject::connect(window, &QObject::destroyed, qApp, &QCoreApplication::quit);
    guarded([window] { window->createDialogs(); });
    centreOnScreen(*window);
    guarded([window] {
        if (warnIfGameMissing())
            window->show();
    });
    // A missing maps.lst while the id levels are shown is reported like any other error, and the start goes on.
    guarded([window] { window->levels().loadPlayList(); });
    window->show();
    // Take the keyboard at once, also where no window manager hands it over.
    window->activateWindow();
    return window;
}
