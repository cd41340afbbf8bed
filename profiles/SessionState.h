#pragma once

// What the window's pages share for the whole run besides the settings themselves.
struct SessionState {
    bool soundsEnabled = true;
    // Set while settings are being loaded: handlers that react to a control's change stay quiet then.
    bool loadingSettings = false;
    // The VWep pak is installed.
    bool pak2Present = false;
};
