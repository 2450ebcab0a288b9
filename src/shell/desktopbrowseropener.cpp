#include "shell/desktopbrowseropener.h"

#include <QDesktopServices>

bool DesktopBrowserOpener::openAddress(const QUrl& address)
{
    return QDesktopServices::openUrl(address);
}
