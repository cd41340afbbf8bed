#pragma once
// Helpers shared by the settings and profile tests: INI files written by hand, and every stored setting read
// off the real window's controls by its objectName.
#include "FakeQuake2.h"
#include "app/MainForm.h"
#include "profiles/SettingKeys.h"
#include "support/Ini.h"
#include "support/RadioGroup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QList>
#include <QPair>
#include <QSlider>
#include <QString>
#include <QTest>

namespace velstrom::test {

using KeyValues = QList<QPair<QString, QString>>;

// "[Options]" and one "Key=Value" line per pair, CR LF after each, as a hand-made profile would look.
inline QByteArray iniText(const KeyValues& values)
{
    QByteArray text = "[Options]\r\n";
    for (const auto& [key, value] : values)
        text += key.toUtf8() + '=' + value.toUtf8() + "\r\n";
    return text;
}

inline void writeIni(FakeQuake2& q2, const QString& baseName, const KeyValues& values)
{
    q2.writeProgramFile(baseName + QStringLiteral(".ini"), iniText(values));
}

inline QString storedValue(FakeQuake2& q2, const QString& baseName, const QString& key)
{
    return iniRead(q2.file(baseName + QStringLiteral(".ini")), QStringLiteral("Options"), key,
                   QStringLiteral("<missing>"));
}

template <class T> T* widget(Tmainform& form, const QString& objectName)
{
    auto* w = form.findChild<T*>(objectName);
    if (w == nullptr)
        qFatal("no control %s", qPrintable(objectName));
    return w;
}

// What a control shows for a key, in the key's stored form.
inline QString shownValue(Tmainform& form, const SettingKey& key)
{
    if (key.control.isEmpty())
        return form.state().CurrentUser;
    switch (key.kind) {
    case SettingKind::Check: {
        const Qt::CheckState s = widget<QCheckBox>(form, key.control)->checkState();
        return s == Qt::Checked     ? QStringLiteral("CHK")
               : s == Qt::Unchecked ? QStringLiteral("UNC")
                                    : QStringLiteral("GRAY");
    }
    case SettingKind::Text:
        if (auto* combo = form.findChild<QComboBox*>(key.control))
            return combo->currentText();
        return widget<QLineEdit>(form, key.control)->text();
    case SettingKind::Index:
        return QString::number(widget<RadioGroup>(form, key.control)->itemIndex());
    case SettingKind::Position:
        return QString::number(widget<QSlider>(form, key.control)->value());
    }
    return {};
}

// Every stored setting as the window shows it, program keys first.
inline KeyValues shownSettings(Tmainform& form)
{
    KeyValues all;
    for (const QList<SettingKey>* table : {&settingkeys::programKeys(), &settingkeys::profileKeys()})
        for (const SettingKey& key : *table)
            all.append({key.key, shownValue(form, key)});
    return all;
}

// Types each character as its own key press, any character (QTest::keyClicks takes ASCII only).
inline void typeText(QWidget* target, const QString& text)
{
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Press, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

inline QStringList comboItems(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

} // namespace velstrom::test
