#pragma once
#include <QString>

class AppError;

#include <exception>
#include <utility>

// The program's title, as the task bar and the error boxes show it.
const QString& applicationTitle();
void setApplicationTitle(const QString& title);

// The one place where an error that ended a user action is shown: a box with its text, titled with the
// program's title. The program then goes on with the state reached so far.
void reportError(const QString& text);
void reportException(const std::exception& e);
// The same, unless this very text was shown before in this run: for a state of a file that each reload would
// otherwise report again (a file too large to read; reportException shows those this way too).
void reportErrorOnce(const QString& text);
// A file that exists but could not be read: "Cannot read <path>: <reason>", or the too-large text, once.
void reportUnreadable(const QString& path, const AppError& error);

// Runs `f` and reports whatever it throws; Qt's event dispatch never sees an exception.
template <class F>
void guarded(F&& f) noexcept
{
    try {
        std::forward<F>(f)();
    } catch (const std::exception& e) {
        reportException(e);
    } catch (...) {
        reportError(QStringLiteral("Unexpected error"));
    }
}

// A slot that runs `f` under `guarded`, for connect().
template <class F>
auto guard(F f)
{
    return [f]() mutable { guarded(f); };
}
