#include "desktop/dialogs/accountdialog.h"
#include "desktop/dialogs/tutorialdialog.h"
#include "desktop/widgets/skinresources.h"
#include "shell/useraccount.h"

#include "dialoghooks.h"
#include "tempfolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Latin-1 with CR LF, as the shipped table is written.
const QByteArray LanguageFile = "1.0\r\n3\r\nEnglish\r\nDeutsch\r\nFran\xe7"
                                "ais\r\n";

QString md5Hex(const QString& password)
{
    return QString::fromLatin1(QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Md5).toHex());
}

// Typed as a keyboard layout delivers it: one key event per character, letters beyond ASCII
// included (QTest::keyClicks only knows ASCII keys).
void typeInto(QWidget* field, const QString& typed)
{
    for (const QChar character : typed) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QApplication::sendEvent(field, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QApplication::sendEvent(field, &release);
    }
}

template <typename T>
T* child(const QWidget& dialog, const char* name)
{
    return dialog.findChild<T*>(QLatin1String(name));
}

class AccountDialogTest : public ::testing::Test
{
protected:
    TempFolder home;
    RecordedHooks hooks{home.path()};
    UserAccount account;
    QWidget owner;

    void SetUp() override
    {
        home.write(QStringLiteral("language.dat"), LanguageFile);
        owner.setGeometry(0, 0, 800, 600);
    }

    std::unique_ptr<AccountDialog> open(int parameter = 0)
    {
        auto dialog = std::make_unique<AccountDialog>(account, home.path(), parameter, hooks.actions(), &owner);
        dialog->show();
        return dialog;
    }

    QLineEdit* password(const AccountDialog& dialog) const { return child<QLineEdit>(dialog, "password"); }

    void typePassword(const AccountDialog& dialog, const QString& typed) const
    {
        QLineEdit* field = password(dialog);
        field->selectAll();
        typeInto(field, typed);
    }

    void pressOk(AccountDialog& dialog) const
    {
        QTest::mouseClick(child<QPushButton>(dialog, "ok"), Qt::LeftButton);
        ASSERT_FALSE(dialog.isVisible());
    }
};

TEST_F(AccountDialogTest, GivenTheDialogThenItShowsTheAccountUnderItsOwnLabels)
{
    account.setUserName(QStringLiteral("alice"));
    account.setRememberPassword(true);
    account.setLanguageId(1);
    const auto dialog = open();
    EXPECT_EQ(dialog->objectName(), "USERNAME_BOX");
    EXPECT_EQ(dialog->windowTitle(), "User Settings");
    QStringList labels;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        labels.append(label->text());
    EXPECT_EQ(labels, (QStringList{"Username:", "Password:  (Case Sensitive)", "Language:"}));
    EXPECT_EQ(child<QLineEdit>(*dialog, "userName")->text(), "alice");
    EXPECT_EQ(password(*dialog)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(child<QCheckBox>(*dialog, "rememberPassword")->text(), " &Remember Password");
    EXPECT_TRUE(child<QCheckBox>(*dialog, "rememberPassword")->isChecked());
    const auto* languages = child<QComboBox>(*dialog, "language");
    ASSERT_EQ(languages->count(), 3);
    EXPECT_EQ(languages->itemText(2), QString::fromUtf8("Français"));
    EXPECT_EQ(languages->currentText(), "Deutsch");
}

TEST_F(AccountDialogTest, GivenATypedPasswordThenOnlyItsDigestIsKeptAndShownMasked)
{
    const QString typed = QString::fromUtf8("pässwörd €");
    auto dialog = open();
    typeInto(child<QLineEdit>(*dialog, "userName"), QStringLiteral("alice"));
    typePassword(*dialog, typed);
    pressOk(*dialog);
    EXPECT_EQ(account.userName(), "alice");
    EXPECT_EQ(account.password(), md5Hex(typed));
    EXPECT_EQ(account.password().size(), 32);

    // Reopened: 32 masked characters; OK without touching them keeps the digest.
    dialog = open();
    EXPECT_EQ(password(*dialog)->text(), md5Hex(typed));
    EXPECT_EQ(password(*dialog)->displayText(), QString(32, password(*dialog)->displayText().at(0)));
    EXPECT_NE(password(*dialog)->displayText(), md5Hex(typed));
    pressOk(*dialog);
    EXPECT_EQ(account.password(), md5Hex(typed));

    // The same password typed again gives the same digest: no salt.
    dialog = open();
    typePassword(*dialog, typed);
    pressOk(*dialog);
    EXPECT_EQ(account.password(), md5Hex(typed));

    dialog = open();
    typePassword(*dialog, QStringLiteral("secret"));
    pressOk(*dialog);
    EXPECT_EQ(account.password(), "5ebe2294ecd0e0f08eab7690d2a6ee69");
}

TEST_F(AccountDialogTest, GivenAClearedPasswordFieldThenThePasswordBecomesEmpty)
{
    account.setPassword(md5Hex(QStringLiteral("secret")));
    const auto dialog = open();
    password(*dialog)->selectAll();
    QTest::keyClick(password(*dialog), Qt::Key_Backspace);
    pressOk(*dialog);
    EXPECT_EQ(account.password(), "");
}

TEST_F(AccountDialogTest, GivenChangesWhenCancelledThenTheAccountStaysAsItWas)
{
    account.setUserName(QStringLiteral("alice"));
    account.setPassword(md5Hex(QStringLiteral("secret")));
    const auto dialog = open();
    typeInto(child<QLineEdit>(*dialog, "userName"), QStringLiteral("bob"));
    typePassword(*dialog, QStringLiteral("other"));
    child<QCheckBox>(*dialog, "rememberPassword")->setChecked(true);
    child<QComboBox>(*dialog, "language")->setCurrentIndex(2);
    QTest::mouseClick(child<QPushButton>(*dialog, "cancel"), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(account.userName(), "alice");
    EXPECT_EQ(account.password(), md5Hex(QStringLiteral("secret")));
    EXPECT_FALSE(account.rememberPassword());
    EXPECT_EQ(account.languageId(), 0);
    EXPECT_EQ(account.languageText(), "English");
}

TEST_F(AccountDialogTest, GivenALanguageChosenThenItsIndexAndNameAreStoredWithTheRememberSwitch)
{
    const auto dialog = open();
    child<QComboBox>(*dialog, "language")->setCurrentIndex(2);
    QTest::mouseClick(child<QCheckBox>(*dialog, "rememberPassword"), Qt::LeftButton);
    pressOk(*dialog);
    EXPECT_EQ(account.languageId(), 2);
    EXPECT_EQ(account.languageText(), QString::fromUtf8("Français"));
    EXPECT_TRUE(account.rememberPassword());
}

TEST_F(AccountDialogTest, GivenALanguageIdOutsideTheListOrNoListThenNothingIsSelectedAndTheLanguageStays)
{
    account.setLanguageId(7);
    account.setLanguageText(QStringLiteral("Klingon"));
    auto dialog = open();
    EXPECT_EQ(child<QComboBox>(*dialog, "language")->currentIndex(), -1);
    pressOk(*dialog);
    EXPECT_EQ(account.languageId(), 7);
    EXPECT_EQ(account.languageText(), "Klingon");

    ASSERT_TRUE(QFile::remove(home.file(QStringLiteral("language.dat"))));
    dialog = open();
    EXPECT_EQ(child<QComboBox>(*dialog, "language")->count(), 0);
    pressOk(*dialog);
    EXPECT_EQ(account.languageId(), 7);
    EXPECT_EQ(account.languageText(), "Klingon");
}

TEST_F(AccountDialogTest, GivenNewUserThenTheSignUpPageOpensAndTheDialogStaysOpen)
{
    const auto dialog = open(0);
    auto* newUser = child<QPushButton>(*dialog, "newUser");
    ASSERT_TRUE(newUser->isVisible());
    EXPECT_EQ(newUser->text(), "New User");
    QTest::mouseClick(newUser, Qt::LeftButton);
    EXPECT_EQ(hooks.opener.opened, QList<QUrl>{QUrl("http://127.0.0.1:8642/?page=login")});
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(AccountDialogTest, GivenTheTutorialsUserSettingsThenTheAccountDialogHasNoNewUserButton)
{
    SkinResources skin;
    bool newUserShown = true;
    hooks.onAccount = [&](QWidget* dialogOwner, int parameter) {
        AccountDialog dialog(account, home.path(), parameter, hooks.actions(), dialogOwner);
        dialog.show();
        newUserShown = child<QPushButton>(dialog, "newUser")->isVisible();
    };
    TutorialDialog tutorial(skin, hooks.actions(), &owner);
    tutorial.show();
    while (tutorial.page() < 4)
        QTest::mouseClick(child<QPushButton>(tutorial, "next"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(tutorial, "userSettings"), Qt::LeftButton);
    ASSERT_EQ(hooks.accountOpenings.size(), 1);
    EXPECT_FALSE(newUserShown);
}

TEST_F(AccountDialogTest, GivenAnOwnerThenTheDialogOpensCentredAcrossAndJustBelowItsMiddle)
{
    const auto dialog = open();
    const QPoint ownerCentre = owner.frameGeometry().center();
    const QPoint centre = dialog->frameGeometry().center();
    EXPECT_LE(std::abs(centre.x() - ownerCentre.x()), 1);
    EXPECT_NEAR(centre.y() - ownerCentre.y(), 25, 1);
}

} // namespace
