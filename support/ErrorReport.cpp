#include "support/ErrorReport.h"

#include "support/AppError.h"
#include "support/MessageBoxes.h"

#include <QSet>

namespace {
QString& title()
{
    static QString t = QStringLiteral("Velstrom");
    return t;
}
} // namespace

const QString& applicationTitle() { return title(); }

void setApplicationTitle(const QString& text) { title() = text; }

void reportError(const QString& text) { msgbox::error(nullptr, applicationTitle(), text); }

void reportErrorOnce(const QString& text)
{
    static QSet<QString> shown;
    if (shown.contains(text))
        return;
    shown.insert(text);
    reportError(text);
}

void reportUnreadable(const QString& path, const AppError& error)
{
    if (error.isTooLarge())
        reportErrorOnce(error.text());
    else
        reportError(QStringLiteral("Cannot read ") + path + QStringLiteral(": ") + error.text());
}

void reportException(const std::exception& e)
{
    const auto* app = dynamic_cast<const AppError*>(&e);
    if (app == nullptr)
        reportError(QString::fromLocal8Bit(e.what()));
    else if (app->isTooLarge())
        reportErrorOnce(app->text());
    else
        reportError(app->text());
}
