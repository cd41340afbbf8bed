#include "profiles/ProfileBinder.h"

#include "support/RadioGroup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

ProfileBinder::ProfileBinder(Profile& profile, QObject* parent) : QObject(parent), m_profile(profile) {}

void ProfileBinder::bind(CheckMember member, QCheckBox* box)
{
    m_bindings.append({member, box});
    connect(box, &QCheckBox::stateChanged, this, [this, member, box] { m_profile.*member = box->checkState(); });
}

void ProfileBinder::bind(TextMember member, QLineEdit* edit)
{
    m_bindings.append({member, edit});
    const int limit = edit->maxLength();
    m_typingLimits.insert(edit, limit);
    connect(edit, &QLineEdit::textChanged, this, [this, member, edit, limit] {
        // An over-long stored value lifts the limit while it is shown; once the text fits, typing is limited again.
        if (edit->maxLength() != limit && edit->text().size() <= limit)
            edit->setMaxLength(limit);
        m_profile.*member = edit->text();
    });
}

void ProfileBinder::bind(TextMember member, QComboBox* box)
{
    m_bindings.append({member, box});
    connect(box, &QComboBox::currentTextChanged, this, [this, member, box] { m_profile.*member = box->currentText(); });
}

void ProfileBinder::bind(IntMember member, RadioGroup* group)
{
    m_bindings.append({member, group});
    connect(group, &RadioGroup::clicked, this, [this, member, group] { m_profile.*member = group->itemIndex(); });
}

void ProfileBinder::bind(IntMember member, QSlider* slider)
{
    m_bindings.append({member, slider});
    // The settings table holds the range, so a load and every reader of the files take a value as the bar shows it.
    for (const SettingKey& key : settingkeys::readOrder())
        if (key.member == SettingMember(member))
            slider->setRange(key.minimum, key.maximum);
    connect(slider, &QSlider::valueChanged, this, [this, member, slider] { m_profile.*member = slider->value(); });
}

const ProfileBinder::Binding* ProfileBinder::find(const SettingMember& member) const
{
    for (const Binding& binding : m_bindings)
        if (binding.member == member)
            return &binding;
    return nullptr;
}

QWidget* ProfileBinder::control(const SettingMember& member) const
{
    const Binding* binding = find(member);
    return binding ? binding->control : nullptr;
}

void ProfileBinder::show(const SettingKey& key)
{
    const Binding* binding = find(key.member);
    if (binding == nullptr)
        return;
    QWidget* widget = binding->control;
    if (auto* box = qobject_cast<QCheckBox*>(widget))
        box->setCheckState(m_profile.*std::get<CheckMember>(key.member));
    else if (auto* edit = qobject_cast<QLineEdit*>(widget))
        showText(edit, m_profile.*std::get<TextMember>(key.member));
    else if (auto* combo = qobject_cast<QComboBox*>(widget))
        combo->setEditText(m_profile.*std::get<TextMember>(key.member));
    else if (auto* group = qobject_cast<RadioGroup*>(widget))
        group->setItemIndex(m_profile.*std::get<IntMember>(key.member));
    else if (auto* slider = qobject_cast<QSlider*>(widget))
        slider->setValue(m_profile.*std::get<IntMember>(key.member));
    take(*binding);
}

void ProfileBinder::showText(QLineEdit* edit, const QString& text)
{
    // The length limit is for typing only: a stored value is shown, and saved back, as it stands.
    const int limit = m_typingLimits.value(edit, edit->maxLength());
    if (text.size() > limit)
        edit->setMaxLength(int(text.size()));
    edit->setText(text);
}

void ProfileBinder::take(const Binding& binding)
{
    QWidget* widget = binding.control;
    if (auto* box = qobject_cast<QCheckBox*>(widget))
        m_profile.*std::get<CheckMember>(binding.member) = box->checkState();
    else if (auto* edit = qobject_cast<QLineEdit*>(widget))
        m_profile.*std::get<TextMember>(binding.member) = edit->text();
    else if (auto* combo = qobject_cast<QComboBox*>(widget))
        m_profile.*std::get<TextMember>(binding.member) = combo->currentText();
    else if (auto* group = qobject_cast<RadioGroup*>(widget))
        m_profile.*std::get<IntMember>(binding.member) = group->itemIndex();
    else if (auto* slider = qobject_cast<QSlider*>(widget))
        m_profile.*std::get<IntMember>(binding.member) = slider->value();
}

void ProfileBinder::takeAll()
{
    for (const Binding& binding : m_bindings)
        take(binding);
}
