#pragma once
// Helpers shared by the settings and profile tests: INI files written by hand, and every stored setting read
// off the real window's controls, found through the window's own binder.
#include "FakeQuake2.h"
#include "app/MainWindow.h"
#include "profiles/ProfileBinder.h"
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

template <class T> T* widget(MainWindow& form, const QString& objectName)
{
    auto* w = form.findChild<T*>(objectName);
    if (w == nullptr)
        qFatal("no control %s", qPrintable(objectName));
    return w;
}

// The control that shows a key's setting.
template <class T> T* control(MainWindow& form, const SettingKey& key)
{
    auto* w = qobject_cast<T*>(form.binder().control(key.member));
    if (w == nullptr)
        qFatal("no control for %s", qPrintable(key.key));
    return w;
}

// What a control shows for a key, in the key's stored form.
inline QString shownValue(MainWindow& form, const SettingKey& key)
{
    QWidget* shown = form.binder().control(key.member);
    if (shown == nullptr)
        return form.profile().currentUser;
    switch (key.kind) {
    case SettingKind::Check: {
        const Qt::CheckState s = control<QCheckBox>(form, key)->checkState();
        return s == Qt::Checked     ? QStringLiteral("CHK")
               : s == Qt::Unchecked ? QStringLiteral("UNC")
                                    : QStringLiteral("GRAY");
    }
    case SettingKind::Text:
        if (auto* combo = qobject_cast<QComboBox*>(shown))
            return combo->currentText();
        return control<QLineEdit>(form, key)->text();
    case SettingKind::Index:
        return QString::number(control<RadioGroup>(form, key)->itemIndex());
    case SettingKind::Position:
        return QString::number(control<QSlider>(form, key)->value());
    }
    return {};
}

// Every stored setting as the window shows it, program keys first.
inline KeyValues shownSettings(MainWindow& form)
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
