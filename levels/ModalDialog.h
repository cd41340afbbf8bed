#pragma once
#include <functional>

class QDialog;

// The dialogs of the level lists are run modally through here, so a test can answer them itself instead of
// waiting for a person: with a hook installed, the hook gets the dialog (built and filled, not shown) and
// returns the dialog's result.
namespace levels {

using ModalHook = std::function<int(QDialog& dialog)>;

int execModal(QDialog& dialog);
// Installs `hook` (an empty one restores the real modal run) and returns the previous one.
ModalHook setModalHook(ModalHook hook);

} // namespace levels
