#pragma once
#include <QString>

#include <optional>

// The system's file-type associations in the shape of a class registry: keys named by paths such as ".htm" or
// "text/html\shell\open\command", each with an optional default value.
class AssociationRegistry {
public:
    virtual ~AssociationRegistry() = default;
    virtual bool keyExists(const QString& key) const = 0;
    // The key's default value; nullopt when it has none or it is not text.
    virtual std::optional<QString> defaultValue(const QString& key) const = 0;
};

// The desktop's associations (GIO). ".ext" has the extension's MIME type as its value and no "shell" subkey;
// a MIME type's class key has "shell\open\command" with the default application's command line.
class DesktopAssociations : public AssociationRegistry {
public:
    bool keyExists(const QString& key) const override;
    std::optional<QString> defaultValue(const QString& key) const override;
};

// The quoted path of the program that opens files of this extension (without dot), or two double quotes when
// there is none.
QString findAssociatedProgram(const QString& extension, const AssociationRegistry& registry);
QString findAssociatedProgram(const QString& extension);
