#pragma once
#include <QString>

#include <exception>
#include <string>

// An error that ends the current user action. Its text is what the user reads in the error box.
class AppError : public std::exception {
public:
    explicit AppError(QString text);

    const QString& text() const noexcept { return m_text; }
    const char* what() const noexcept override { return m_utf8.c_str(); }
    // A file that was not read for its size; its text names the file, so it is shown as it is.
    bool isTooLarge() const noexcept { return m_tooLarge; }

    static AppError fileNotFound();
    static AppError accessDenied();
    static AppError unableToWrite(const QString& path);
    static AppError notAnInteger(const QString& text);
    // "<path> is too large to read (N MB); it is left as it is."
    static AppError tooLarge(const QString& path, qint64 size);
    // The run-time's message for an input/output failure with this errno.
    static AppError fromErrno(int err);

private:
    QString m_text;
    std::string m_utf8;
    bool m_tooLarge = false;
};

// Decimal (or $/0x hexadecimal) integer, leading blanks allowed; anything else throws
// "'<text>' is not a valid integer value".
int toIntOrThrow(const QString& text);
