#pragma once

#include <QString>
#include <QStringList>

class UserAccount;

//! What the account dialog's fields hold when OK is pressed.
struct AccountFields
{
    QString userName;
    QString passwordField; //!< the masked field: the stored digest unless the user typed
    bool remember = false;
    int languageIndex = -1; //!< -1: no language selected
};

//! The account dialog's OK: user name (at most 254 characters), password (empty stays
//! empty, the untouched digest stays, anything else becomes the digest of its UTF-8
//! bytes), remember switch, language id and text from the list when one is selected.
void applyAccountFields(UserAccount& account, const AccountFields& fields, const QStringList& languages);
