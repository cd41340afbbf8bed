#include "support/Ini.h"

#include "support/AppError.h"
#include "support/Installation.h"
#include "support/TextFile.h"

#include <QFileInfo>

#include <optional>
#include <utility>

#include <SimpleIni.h>

namespace {

constexpr qsizetype MaxValueLength = 1023;

// Loads the file if there is one; false, with the reason, when it exists but cannot be read.
bool load(CSimpleIniA& ini, const QString& path, QString& reason, std::optional<AppError>& error)
{
    ini.SetMultiKey(true); // keeps duplicates so that the first one can win
    ini.SetSpaces(false);
    QByteArray data;
    try {
        data = textfile::readAll(path);
    } catch (const AppError& e) {
        if (!QFileInfo::exists(path))
            return true;
        reason = e.text();
        error = e;
        return false;
    }
    if (ini.LoadData(data.constData(), size_t(data.size())) >= 0)
        return true;
    reason = QStringLiteral("File access denied");
    return false;
}

} // namespace

struct IniFile::Data {
    CSimpleIniA ini;
    bool readable = true;
    std::optional<AppError> error;
    QString reason;
};

IniFile::IniFile(QString path) : m_path(std::move(path)), m_data(std::make_unique<Data>())
{
    m_data->readable = load(m_data->ini, m_path, m_data->reason, m_data->error);
    if (!m_data->readable)
        m_data->ini.Reset();
}

IniFile::~IniFile() = default;

bool IniFile::readable() const
{
    return m_data->readable;
}

const AppError* IniFile::tooLargeError() const
{
    return m_data->error && m_data->error->isTooLarge() ? &*m_data->error : nullptr;
}

const QString& IniFile::unreadableReason() const
{
    return m_data->reason;
}

QString IniFile::value(const QString& section, const QString& key, const QString& defaultValue) const
{
    const QByteArray s = section.toUtf8();
    const QByteArray k = key.toUtf8();
    const char* value = m_data->ini.GetValue(s.constData(), k.constData(), nullptr);
    if (value == nullptr)
        return defaultValue;
    return QString::fromUtf8(value).left(MaxValueLength);
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value)
{
    CSimpleIniA& ini = m_data->ini;
    const QByteArray s = section.toUtf8();
    QByteArray k = key.toUtf8();
    // An existing section or key keeps the spelling it has in the file, as Windows keeps it. The library's maps
    // compare names without regard to case, so both are found by lookup, never by walking a file of many sections:
    // the section keeps its spelling by itself, a replaced key takes the name it is given.
    if (const CSimpleIniA::TKeyVal* keys = ini.GetSection(s.constData())) {
        const auto found = keys->find(CSimpleIniA::Entry(k.constData()));
        if (found != keys->end())
            k = found->first.pItem;
    }
    // A line break inside a value would make a key of its own on the next read.
    QByteArray v = value.toUtf8();
    v.replace('\r', ' ').replace('\n', ' ');
    if (ini.SetValue(s.constData(), k.constData(), v.constData(), nullptr, true) < 0)
        throw AppError::unableToWrite(m_path);
}

void IniFile::save() const
{
    if (!m_data->readable)
        throw AppError::unableToWrite(m_path);
    std::string out;
    if (m_data->ini.Save(out) < 0)
        throw AppError::unableToWrite(m_path);
    QByteArray bytes;
    bytes.reserve(qsizetype(out.size() + out.size() / 16));
    for (const char c : out) {
        if (c == '\n')
            bytes.append('\r');
        bytes.append(c);
    }
    try {
        textfile::writeBytes(m_path, bytes, textfile::Access::OwnerOnly);
    } catch (const AppError&) {
        throw AppError::unableToWrite(m_path);
    }
}

QString iniRead(const QString& path, const QString& section, const QString& key, const QString& defaultValue)
{
    return IniFile(path).value(section, key, defaultValue);
}

void iniWrite(const QString& path, const QString& section, const QString& key, const QString& value)
{
    IniFile file(path);
    file.setValue(section, key, value);
    file.save();
}

QString readIniSetting(const QString& baseName, const QString& section, const QString& key, const QString& defaultValue)
{
    return iniRead(installation().iniPath(baseName), section, key, defaultValue);
}

void writeIniSetting(const QString& baseName, const QString& section, const QString& key, const QString& value)
{
    iniWrite(installation().iniPath(baseName), section, key, value);
}

QString readProgramSetting(const QString& section, const QString& key, const QString& defaultValue)
{
    return readIniSetting(installation().exeBaseName(), section, key, defaultValue);
}

void writeProgramSetting(const QString& section, const QString& key, const QString& value)
{
    writeIniSetting(installation().exeBaseName(), section, key, value);
}
