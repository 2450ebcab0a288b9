#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class BrowserOpener;
class QWidget;

//! How the small dialogs reach the rest of the program. The main window fills the hooks;
//! a dialog disables the button whose hook is empty. Everything a hook captures must
//! outlive the dialogs that use it.
struct DialogActions
{
    //! Opens the account dialog modally over owner; a nonzero parameter hides its "New User".
    std::function<void(QWidget* owner, int parameter)> openAccount;
    //! Opens the microphone test dialog modally over owner.
    std::function<void(QWidget* owner, int parameter)> openMicrophone;
    //! Opens a help page given relative to the program folder, such as "docs/psettings.htm".
    std::function<void(const QString& relativePage)> openHelpPage;
    //! Opens a web address in the user's browser.
    std::function<void(const QUrl& address)> openWebAddress;
    //! Queues a main-window command; it runs after the current event, not inside the dialog.
    std::function<void(int command)> postCommand;
    //! The web service's address ("http://host:port") the sign-up and home pages are built on.
    QString serviceBase;
};

//! Actions whose help pages and web addresses go through opener (which must outlive them);
//! the dialog and command hooks stay empty for the caller to fill. tellUser, when given, gets
//! the message for a help page that is missing from the program folder.
DialogActions browserDialogActions(BrowserOpener& opener, const QString& programFolder, const QString& serviceBase,
                                   std::function<void(const QString& text)> tellUser = {});
