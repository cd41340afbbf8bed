#pragma once
#include <QString>

// What the main window's handlers share for the whole run.
struct MainState {
    QString CurrentUser = QStringLiteral("untitled");
    bool SoundsEnabled = true;
    bool LoadingSettings = false;
    bool Pak2Present = false;
    QString ServerMsgPath;
    bool HoverBusy = false;
    int LastHoverIndex = -1;
    QString VerifyResult;
};
