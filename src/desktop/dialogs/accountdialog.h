#pragma once

#include "desktop/dialogs/dialogactions.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLineEdit;
class UserAccount;

//! "User Settings": user name, password, remember switch and publishing language of the
//! account. The password field shows the stored digest masked; OK stores the digest of a
//! newly typed password, never the password itself.
class AccountDialog : public QDialog
{
    Q_OBJECT
public:
    //! Below the owner's centre, so the owner's title stays visible.
    static constexpr int BelowOwnerCentre = 25;

    //! account must outlive the dialog; the languages come from programFolder's "language.dat".
    //! A nonzero parameter hides "New User" (the tutorial shows its own).
    AccountDialog(UserAccount& account, const QString& programFolder, int parameter, const DialogActions& actions,
                  QWidget* parent = nullptr);

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    UserAccount& m_account;
    DialogActions m_actions;
    QStringList m_languages;
    QLineEdit* m_userName;
    QLineEdit* m_password;
    QCheckBox* m_remember;
    QComboBox* m_language;
};
