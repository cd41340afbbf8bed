#pragma once
#include "profiles/Profile.h"
#include "profiles/SettingKeys.h"

#include <QHash>
#include <QList>
#include <QObject>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSlider;
class QWidget;
class RadioGroup;

// Moves a Profile into the settings controls and back. The window names, once, which control shows which member
// (one bind() line a setting); from then on every change of a control is in the profile at once, so the controls
// never hold the only copy of a setting.
class ProfileBinder : public QObject {
    Q_OBJECT

public:
    explicit ProfileBinder(Profile& profile, QObject* parent = nullptr);

    void bind(CheckMember member, QCheckBox* box);
    void bind(TextMember member, QLineEdit* edit);
    void bind(TextMember member, QComboBox* box);
    void bind(IntMember member, RadioGroup* group);
    void bind(IntMember member, QSlider* slider);

    // Shows the key's member in its control, then takes back what the control made of it (a radio group or a
    // track bar clamps). A key without a control (CurrentUser) is left alone.
    void show(const SettingKey& key);
    // Takes every control's value into the profile.
    void takeAll();

    // The control that shows a member, or nullptr.
    QWidget* control(const SettingMember& member) const;

private:
    struct Binding {
        SettingMember member;
        QWidget* control;
    };
    const Binding* find(const SettingMember& member) const;
    void take(const Binding& binding);
    void showText(QLineEdit* edit, const QString& text);

    Profile& m_profile;
    QList<Binding> m_bindings;
    // The typing limits the form gives the edits. A longer stored value is still shown and saved whole.
    QHash<QLineEdit*, int> m_typingLimits;
};
