#include "mainwindowfixture.h"

#include "desktop/dialogs/dialogplacement.h"
#include "desktop/dialogs/tutorialdialog.h"
#include "desktop/widgets/skinnedbutton.h"
#include "desktop/widgets/skinresources.h"
#include "publish/publishchecks.h"
#include "shell/useraccount.h"
#include "story/storyfile.h"

#include <QDateTime>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>

namespace {

// A menu or item text as the user reads it: accelerator marks gone, "&&" shown as "&".
QString shown(QString text)
{
    text.replace(QLatin1String("&&"), QLatin1String("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

// Whether the menu bar has the menu path[0] holding the item path[1].
bool hasMenuItem(const QMenuBar& bar, const QString& menuTitle, const QString& item)
{
    for (const QAction* menu : bar.actions()) {
        if (shown(menu->text()) != menuTitle || !menu->menu())
            continue;
        for (const QAction* entry : menu->menu()->actions()) {
            if (!entry->isSeparator() && shown(entry->text()) == item)
                return true;
        }
    }
    return false;
}

QString captured(const QString& text, const QString& pattern, int group = 1)
{
    const QRegularExpressionMatch match = QRegularExpression(pattern).match(text);
    return match.hasMatch() ? match.captured(group) : QString();
}

} // namespace

TEST_F(MainWindowTest, GivenTheMessagesThatNameMenuCommandsThenEachNamesAMenuAndItemOfThisWindow)
{
    const QMenuBar& bar = *window->menuBar();

    // The save confirmation: "... with the File -> Load Pictorelle command."
    const QString saved = saveConfirmationText(QStringLiteral("Harbour"), QDateTime::currentDateTime());
    const QStringList load = captured(saved, QStringLiteral("with the (.+) command\\.")).split(QStringLiteral(" -> "));
    ASSERT_EQ(load.size(), 2) << saved.toStdString();
    EXPECT_TRUE(hasMenuItem(bar, load[0], load[1])) << saved.toStdString();

    // The publish checks without an account: "see Settings -> Program Settings -> User Settings",
    // the menu item and then the group of the dialog it opens.
    const CheckReport report = runPublishChecks(window->story(), UserAccount());
    for (const QString& field : {QStringLiteral("USERNAME"), QStringLiteral("PASSWORD")}) {
        const QStringList path =
            captured(report.text, field + QStringLiteral(" required, see ([^\\r]+)\\r\\n")).split(" -> ");
        ASSERT_EQ(path.size(), 3) << report.text.toStdString();
        EXPECT_TRUE(hasMenuItem(bar, path[0], path[1])) << report.text.toStdString();
        EXPECT_EQ(path[2], "User Settings");
    }

    // The tutorial's last page: "... or in the Help menu click on "Help"."; its fifth page names
    // the tool button that opens the settings.
    TutorialDialog tutorial(window->skin(), DialogActions{}, window.get());
    tutorial.show();
    auto* next = tutorial.findChild<QPushButton*>(QStringLiteral("next"));
    ASSERT_NE(next, nullptr);
    QString fifthPage;
    while (tutorial.page() < TutorialDialog::PageCount - 1) {
        QTest::mouseClick(next, Qt::LeftButton);
        if (tutorial.page() == 4)
            fifthPage = tutorial.findChild<QLabel*>(QStringLiteral("body"))->text();
    }
    const QString lastPage = tutorial.findChild<QLabel*>(QStringLiteral("body"))->text();
    const QString menu = captured(lastPage, QStringLiteral("in the (\\w+) menu click on \"([^\"]+)\""));
    const QString item = captured(lastPage, QStringLiteral("in the (\\w+) menu click on \"([^\"]+)\""), 2);
    ASSERT_FALSE(menu.isEmpty()) << lastPage.toStdString();
    EXPECT_TRUE(hasMenuItem(bar, menu, item)) << lastPage.toStdString();
    EXPECT_TRUE(
        lastPage.endsWith(QStringLiteral("click on the \"Help\" button or in the Help menu click on \"Help\".")))
        << lastPage.toStdString();

    const QString toolButton = captured(fifthPage, QStringLiteral("the \"([^\"]+)\" button on the Pictorelle"));
    ASSERT_FALSE(toolButton.isEmpty()) << fifthPage.toStdString();
    bool found = false;
    for (const SkinnedButton* button : window->findChildren<SkinnedButton*>())
        found = found || button->toolTip() == toolButton;
    EXPECT_TRUE(found) << toolButton.toStdString();
    EXPECT_EQ(toolButton, "Program Settings");
}

TEST_F(MainWindowTest, GivenTheCueCardOpenWhenCueCardsIsPressedAgainThenItComesBackBesideTheWindowOnScreen)
{
    addPictures(2);
    const QRect area = window->screen()->availableGeometry();
    window->move(area.topLeft());
    window->resize(area.width() / 2, area.height() - 100);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    settings.setCueX(0);
    settings.setCueY(0);

    window->command(MainWindow::CueCards);
    auto* cue = window->findChild<QDialog*>(QStringLiteral("CUE_BOX"));
    ASSERT_NE(cue, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(cue));
    // GIVEN the first opening THEN beside the window, clear of it where the screen has room,
    // else over its lower right corner; always on the screen
    const auto expectBeside = [&] {
        const QRect frame = cue->frameGeometry();
        const QRect main = window->frameGeometry();
        EXPECT_TRUE(area.contains(frame)) << frame.x() << "," << frame.y();
        EXPECT_EQ(frame.topLeft(), besideWindow(main, frame.size(), area));
        EXPECT_NE(frame.topLeft(), main.topLeft());
        if (area.right() - main.right() >= frame.width() + 8 || main.left() - area.left() >= frame.width() + 8) {
            EXPECT_FALSE(frame.intersects(main)) << frame.x() << "," << frame.y();
        }
    };
    expectBeside();

    // WHEN moved away over the window and asked for again THEN it is back beside it
    cue->move(window->frameGeometry().topLeft());
    window->command(MainWindow::CueCards);
    expectBeside();
    EXPECT_EQ(window->findChildren<QDialog*>(QStringLiteral("CUE_BOX")).size(), 1);
}
