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

void ReportError(const QString& text) { msgbox::error(nullptr, applicationTitle(), text); }

void ReportErrorOnce(const QString& text)
{
    static QSet<QString> shown;
    if (shown.contains(text))
        return;
    shown.insert(text);
    ReportError(text);
}

void ReportUnreadable(const QString& path, const AppError& error)
{
    if (error.isTooLarge())
        ReportErrorOnce(error.text());
    else
        ReportError(QStringLiteral("Cannot read ") + path + QStringLiteral(": ") + error.text());
}

void ReportException(const std::exception& e)
{
    const auto* app = dynamic_cast<const AppError*>(&e);
    if (app == nullptr)
        ReportError(QString::fromLocal8Bit(e.what()));
    else if (app->isTooLarge())
        ReportErrorOnce(app->text());
    else
        ReportError(app->text());
}
