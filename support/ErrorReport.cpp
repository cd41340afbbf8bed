#include "support/ErrorReport.h"

#include "support/AppError.h"
#include "support/MessageBoxes.h"

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

void ReportException(const std::exception& e)
{
    if (const auto* app = dynamic_cast<const AppError*>(&e))
        ReportError(app->text());
    else
        ReportError(QString::fromLocal8Bit(e.what()));
}
