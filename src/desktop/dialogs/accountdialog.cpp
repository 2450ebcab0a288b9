#include "desktop/dialogs/accountdialog.h"

#include "desktop/dialogs/dialogplacement.h"
#include "publish/accountedit.h"
#include "shell/languagetable.h"
#include "shell/programfolder.h"
#include "shell/useraccount.h"
#include "shell/weblinks.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

AccountDialog::AccountDialog(UserAccount& account, const QString& programFolder, int parameter,
                             const DialogActions& actions, QWidget* parent)
    : QDialog(parent), m_account(account), m_actions(actions)
{
    setObjectName(QStringLiteral("USERNAME_BOX"));
    setWindowTitle(QStringLiteral("User Settings"));
    setModal(true);

    m_userName = new QLineEdit(account.userName(), this);
    m_userName->setObjectName(QStringLiteral("userName"));
    m_password = new QLineEdit(account.password(), this);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    m_remember = new QCheckBox(QStringLiteral(" &Remember Password"), this);
    m_remember->setObjectName(QStringLiteral("rememberPassword"));
    m_remember->setChecked(account.rememberPassword());
    m_language = new QComboBox(this);
    m_language->setObjectName(QStringLiteral("language"));
    LanguageTable table;
    if (table.load(programfolder::languageFile(programFolder))) {
        m_languages = table.names();
        m_language->addItems(m_languages);
        // An id outside the list selects nothing; OK then keeps the stored language.
        m_language->setCurrentIndex(
            account.languageId() >= 0 && account.languageId() < m_languages.size() ? account.languageId() : -1);
    }

    auto* group = new QGroupBox(QStringLiteral("Already signed up?"), this);
    auto* fields = new QGridLayout(group);
    fields->addWidget(new QLabel(QStringLiteral("Username:"), group), 0, 0);
    fields->addWidget(m_userName, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("Password:  (Case Sensitive)"), group), 1, 0);
    fields->addWidget(m_password, 1, 1);
    fields->addWidget(m_remember, 2, 1);
    fields->addWidget(new QLabel(QStringLiteral("Language:"), group), 3, 0);
    fields->addWidget(m_language, 3, 1);
    fields->setColumnMinimumWidth(1, 220);

    auto* newUser = new QPushButton(QStringLiteral("New User"), this);
    newUser->setObjectName(QStringLiteral("newUser"));
    newUser->setAutoDefault(false);
    newUser->setEnabled(bool(m_actions.openWebAddress));
    if (parameter != 0)
        newUser->hide();
    connect(newUser, &QPushButton::clicked, this,
            [this] { m_actions.openWebAddress(weblinks::signUpAddress(m_actions.serviceBase)); });
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(newUser);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
}

void AccountDialog::accept()
{
    AccountFields fields;
    fields.userName = m_userName->text();
    fields.passwordField = m_password->text();
    fields.remember = m_remember->isChecked();
    fields.languageIndex = m_language->currentIndex();
    applyAccountFields(m_account, fields, m_languages);
    QDialog::accept();
}

void AccountDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        placeOverOwner(*this, BelowOwnerCentre);
}
