#include "app/Startup.h"
#include "support/Installation.h"
#include "support/QtSoundOutput.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLockFile>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velstrom"));
    QApplication::setDesktopFileName(QStringLiteral("velstrom"));
    // The forms are designed in these fonts; Linux has metric twins of them.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Courier New"), {QStringLiteral("Liberation Mono"),
                                                               QStringLiteral("Cousine"), QStringLiteral("DejaVu Sans Mono")});
    QApplication::setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/velstrom.png")));

    setInstallation(Installation::fromExecutablePath(QCoreApplication::applicationFilePath()));
    QtSoundOutput sounds;
    setSoundOutput(&sounds);

    const std::unique_ptr<QLockFile> lock = lockProgramDirectory();
    if (!lock) {
        setSoundOutput(nullptr);
        return 0;
    }
    startVelstrom();
    const int result = QApplication::exec();
    setSoundOutput(nullptr);
    return result;
}
