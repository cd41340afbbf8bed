#pragma once
#include "profiles/SettingKeys.h"

#include <QHash>
#include <QObject>
#include <QString>

class Tmainform;
class TNewProfileForm;
class QComboBox;
class QLineEdit;
class QWidget;

// The settings pages, the INI files behind them and the profiles: loading every setting into its control,
// saving them back, Reset All, and switching, creating, copying and deleting profiles.
class SettingsController : public QObject {
    Q_OBJECT

public:
    explicit SettingsController(Tmainform& form);
    ~SettingsController() override;

    // Puts the program INI and the current profile's INI into the controls, every missing key at its default.
    // A Teamplay, ServerType, KickBack or Empathy that is not an integer stops the load at that key (AppError);
    // the controls before it hold the loaded values, those after it keep what they showed, and LoadingSettings is
    // cleared so that the window stays fully usable.
    void LoadIniValues();
    // Writes the program INI and the current profile's INI from the controls, then the level files. A refused
    // write stops the save at that key (AppError "Unable to write to <path>").
    void WriteUserSettings();
    // Makes CurrentUser the current profile everywhere: program INI, settings, both level lists.
    void NewCurrentUser();

    // Refills a combo box with the names of the directory entries matching `pattern`, then selects entry 0.
    void FillComboFromFiles(const QString& pattern, QComboBox* box);

    // Settings pages
    void rsServTypeClick();
    void tbKickbackChange();
    void tbEmpathyChange();
    void cbUseEmpathyClick();
    void Image2Click();
    // The numeric edits' key rule; false drops the key press.
    static bool edFragLimitKeyPress(const QString& typed);
    void cbSoundDisableClick();
    void defaultsClick();

    // Profiles
    void cbCurrentUserFilesChange();
    void bbtnNewProfileClick(bool newButton);
    void bbtnDeleteProfileClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadSettings();
    void applyValue(const SettingKey& key, const QString& value);
    QString valueOf(const SettingKey& key) const;
    void runLoadHook(LoadHook hook);
    void fillProfileList();
    void setStoredText(QLineEdit* edit, const QString& text);
    QWidget* control(const QString& objectName) const;
    QStringList profileListEntries() const;

    // The profile dialog's buttons. OK answers whether the dialog may close.
    bool bbtnNewOKClick(TNewProfileForm& dialog);
    void bbtnNewCancelClick(TNewProfileForm& dialog);

    Tmainform& m_form;
    // The typing limits the form gives the edits. A longer stored value is still shown and saved whole.
    QHash<QLineEdit*, int> m_typingLimits;
    QList<QObject*> m_numericEdits;
    bool m_creatingNewProfile = false;
};
