#include "levels/ModalDialog.h"

#include "support/ModalRun.h"

#include <QDialog>

namespace levels {

namespace {
ModalHook& hook()
{
    static ModalHook h;
    return h;
}
} // namespace

int execModal(QDialog& dialog)
{
    if (const ModalHook h = hook())
        return h(dialog);
    return runModal(dialog);
}

ModalHook setModalHook(ModalHook next)
{
    ModalHook previous = std::move(hook());
    hook() = std::move(next);
    return previous;
}

} // namespace levels
