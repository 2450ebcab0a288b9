#pragma once

#include <QUrl>

//! Hands an address (a web page or a local help page) to whatever the desktop opens it with.
//! The desktop implementation lives in pictorelle_desktoplinks; tests record the addresses.
class BrowserOpener
{
public:
    virtual ~BrowserOpener() = default;
    //! True when a handler was started; says nothing about whether the page loaded.
    virtual bool openAddress(const QUrl& address) = 0;
};
