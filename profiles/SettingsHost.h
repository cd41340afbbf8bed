#pragma once

// What the settings pages and the profiles need from the rest of the window; the main window implements it.
class SettingsHost {
public:
    virtual ~SettingsHost() = default;
    // After a save: the level files and the message file follow the settings.
    virtual void writeLevelFiles() = 0;
    // A profile switch: both level lists are emptied and the new profile's play list loaded, skipped levels handled.
    virtual void reloadLevelLists() = 0;
    // After settings were loaded: the level titles shown belong to the old lists.
    virtual void settingsLoaded() = 0;
    // Reset All: the window starts over as at start-up, the id levels following the reloaded box.
    virtual void restart() = 0;
};
