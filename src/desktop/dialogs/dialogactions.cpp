#include "desktop/dialogs/dialogactions.h"

#include "shell/weblinks.h"

DialogActions browserDialogActions(BrowserOpener& opener, const QString& programFolder, const QString& serviceBase,
                                   std::function<void(const QString& text)> tellUser)
{
    DialogActions actions;
    actions.openHelpPage = [&opener, programFolder, tellUser = std::move(tellUser)](const QString& relativePage) {
        weblinks::openHelpPage(opener, programFolder, relativePage, tellUser);
    };
    actions.openWebAddress = [&opener](const QUrl& address) { weblinks::openWebAddress(opener, address); };
    actions.serviceBase = serviceBase;
    return actions;
}
