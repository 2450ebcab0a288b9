#include "app/dialogactions.h"

#include "app/weblinks.h"

DialogActions browserDialogActions(BrowserOpener& opener, const QString& programFolder, const QString& serviceBase)
{
    DialogActions actions;
    actions.openHelpPage = [&opener, programFolder](const QString& relativePage) {
        weblinks::openHelpPage(opener, programFolder, relativePage);
    };
    actions.openWebAddress = [&opener](const QUrl& address) { weblinks::openWebAddress(opener, address); };
    actions.serviceBase = serviceBase;
    return actions;
}
