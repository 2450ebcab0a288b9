#pragma once

#include "shell/browseropener.h"

//! Opens addresses with the desktop's own handlers: the user's browser for web pages and
//! whatever is set up for ".htm" files for help pages. Needs a QGuiApplication.
class DesktopBrowserOpener final : public BrowserOpener
{
public:
    bool openAddress(const QUrl& address) override;
};
