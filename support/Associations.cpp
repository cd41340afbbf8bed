// GIO's headers use "signals" as a field name, which Qt defines as a keyword: they come before any Qt header.
#include <gio/gio.h>

#include "support/Associations.h"

#include "support/TextUtil.h"

#include <QStringList>

#include <memory>

namespace {

// The characters that end the program path of an association command: " % '
bool isSeparator(QChar c) { return c == u'"' || c == u'%' || c == u'\''; }

// The command under `key`\shell\open\command, when every key on the way exists and the value is text.
std::optional<QString> readCommand(const AssociationRegistry& registry, const QString& key)
{
    const QString shell = key + QStringLiteral("\\shell");
    const QString open = shell + QStringLiteral("\\open");
    const QString command = open + QStringLiteral("\\command");
    if (!registry.keyExists(shell) || !registry.keyExists(open) || !registry.keyExists(command))
        return std::nullopt;
    return registry.defaultValue(command);
}

std::optional<QString> associationCommand(const QString& extension, const AssociationRegistry& registry)
{
    QString key = QLatin1Char('.') + extension;
    while (!key.isEmpty() && key.back().unicode() <= 32)
        key.chop(1);
    if (!registry.keyExists(key))
        return std::nullopt;
    if (registry.keyExists(key + QStringLiteral("\\shell")))
        return readCommand(registry, key);
    const std::optional<QString> className = registry.defaultValue(key);
    if (!className || className->isEmpty())
        return std::nullopt;
    if (!registry.keyExists(*className) || !registry.keyExists(*className + QStringLiteral("\\shell")))
        return std::nullopt;
    return readCommand(registry, *className);
}

// The program path at the start of a command: a separator in the first place opens a quoted path and is
// dropped; the next separator ends it. Blanks belong to the path.
QString programPath(const QString& command)
{
    QString path;
    for (qsizetype i = 0; i < command.size(); ++i) {
        if (isSeparator(command[i])) {
            if (i == 0)
                continue;
            break;
        }
        path.append(command[i]);
    }
    return path;
}

// --- GIO ---

struct GFreeDeleter {
    void operator()(gchar* p) const { g_free(p); }
};
using GText = std::unique_ptr<gchar, GFreeDeleter>;

struct GObjectDeleter {
    void operator()(gpointer p) const { g_object_unref(p); }
};
using AppInfo = std::unique_ptr<GAppInfo, GObjectDeleter>;

constexpr char Unknown[] = "application/octet-stream";

// The MIME type GIO gives a file with this extension, by name alone; nullopt when it does not know one.
std::optional<QString> mimeTypeOfExtension(const QString& extension)
{
    const QByteArray name = QByteArray("x.") + extension.toUtf8();
    gboolean uncertain = FALSE;
    const GText type(g_content_type_guess(name.constData(), nullptr, 0, &uncertain));
    if (!type || (uncertain && g_content_type_equals(type.get(), Unknown)))
        return std::nullopt;
    const GText mime(g_content_type_get_mime_type(type.get()));
    if (!mime || g_strcmp0(mime.get(), Unknown) == 0)
        return std::nullopt;
    return QString::fromUtf8(mime.get());
}

AppInfo defaultApp(const QString& mimeType)
{
    const GText type(g_content_type_from_mime_type(mimeType.toUtf8().constData()));
    if (!type)
        return nullptr;
    return AppInfo(g_app_info_get_default_for_type(type.get(), FALSE));
}

bool isKnownMimeType(const QString& mimeType)
{
    if (!mimeType.contains(u'/') || mimeType == QLatin1String(Unknown))
        return false;
    const QByteArray wanted = mimeType.toUtf8();
    GList* types = g_content_types_get_registered();
    bool known = false;
    for (GList* t = types; t != nullptr && !known; t = t->next) {
        const GText mime(g_content_type_get_mime_type(static_cast<const gchar*>(t->data)));
        known = mime && g_ascii_strcasecmp(mime.get(), wanted.constData()) == 0;
    }
    g_list_free_full(types, g_free);
    return known || defaultApp(mimeType) != nullptr;
}

// A key path split into its first name and the path below it, for instance "text/plain" and "shell\open".
struct KeyPath {
    QString root;
    QString below;
};

KeyPath splitKey(const QString& key)
{
    const qsizetype cut = key.indexOf(u'\\');
    return cut < 0 ? KeyPath{key, QString()} : KeyPath{key.left(cut), key.mid(cut + 1)};
}

bool isCommandPath(const QString& below)
{
    for (const char* path : {"shell", "shell\\open", "shell\\open\\command"})
        if (below.compare(QLatin1String(path), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

bool DesktopAssociations::keyExists(const QString& key) const
{
    const KeyPath path = splitKey(key);
    if (path.root.startsWith(u'.'))
        return path.below.isEmpty() && mimeTypeOfExtension(path.root.mid(1)).has_value();
    if (path.below.isEmpty())
        return isKnownMimeType(path.root);
    return isCommandPath(path.below) && defaultApp(path.root) != nullptr;
}

std::optional<QString> DesktopAssociations::defaultValue(const QString& key) const
{
    const KeyPath path = splitKey(key);
    if (path.root.startsWith(u'.'))
        return path.below.isEmpty() ? mimeTypeOfExtension(path.root.mid(1)) : std::nullopt;
    if (path.below.compare(QLatin1String("shell\\open\\command"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const AppInfo app = defaultApp(path.root);
    if (!app)
        return std::nullopt;
    const char* commandLine = g_app_info_get_commandline(app.get());
    if (commandLine == nullptr)
        return std::nullopt;
    return QString::fromUtf8(commandLine);
}

QString findAssociatedProgram(const QString& extension, const AssociationRegistry& registry)
{
    return quoteText(programPath(associationCommand(extension, registry).value_or(QString())));
}

QString findAssociatedProgram(const QString& extension)
{
    const DesktopAssociations desktop;
    return findAssociatedProgram(extension, desktop);
}
