#include "desktop/dialogs/aboutdialog.h"
#include "desktop/dialogs/dialogprompter.h"
#include "desktop/dialogs/programsettingsdialog.h"
#include "desktop/dialogs/promptdialog.h"
#include "desktop/dialogs/tutorialdialog.h"
#include "desktop/widgets/skinresources.h"
#include "shell/programsettings.h"

#include "dialoghooks.h"
#include "tempfolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

QPushButton* button(const QWidget& dialog, const char* name)
{
    return dialog.findChild<QPushButton*>(QLatin1String(name));
}

QCheckBox* checkBox(const QWidget& dialog, const char* name)
{
    return dialog.findChild<QCheckBox*>(QLatin1String(name));
}

QString labelText(const QWidget& dialog, const char* name)
{
    const auto* label = dialog.findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no label>");
}

// Asks for a narration prompt and answers it if it appears; tells whether it appeared.
struct PromptAnswer
{
    bool asked = false;
    bool confirmed = false;
};

PromptAnswer askNarrationPrompt(DialogPrompter& prompter, Prompter::NarrationPrompt prompt, bool tickDontShow)
{
    PromptAnswer answer;
    // Owned here, so it cannot fire into a later test when no prompt appears.
    QTimer answerer;
    answerer.setSingleShot(true);
    QObject::connect(&answerer, &QTimer::timeout, [&answer, tickDontShow] {
        auto* dialog = qobject_cast<PromptDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        answer.asked = true;
        dialog->findChild<QCheckBox*>(QStringLiteral("dontShowAgain"))->setChecked(tickDontShow);
        dialog->accept();
    });
    answerer.start(0);
    answer.confirmed = prompter.confirmNarrationPrompt(prompt);
    return answer;
}

class SettingsDialogsTest : public ::testing::Test
{
protected:
    TempFolder home;
    RecordedHooks hooks{home.path()};
    SkinResources skin;
    ProgramSettings settings;
    QWidget owner;

    void SetUp() override
    {
        home.write(QStringLiteral("docs/psettings.htm"), "<html></html>");
        owner.setGeometry(0, 0, 800, 600);
    }

    std::unique_ptr<ProgramSettingsDialog> openSettings()
    {
        auto dialog = std::make_unique<ProgramSettingsDialog>(settings, skin, hooks.actions(), &owner);
        dialog->show();
        return dialog;
    }
};

TEST_F(SettingsDialogsTest, GivenTheWarningSwitchesThenTheSettingsDialogTicksTheWarningsThatAreShown)
{
    settings.setHideClearAudio(1);
    settings.setHideRecordOverAudio(0);
    const auto dialog = openSettings();
    EXPECT_EQ(dialog->objectName(), "PROGRAM_BOX");
    EXPECT_EQ(dialog->windowTitle(), "Settings");
    EXPECT_EQ(labelText(*dialog, "header"), "Settings");
    QList<QGroupBox*> groupBoxes = dialog->findChildren<QGroupBox*>();
    std::sort(groupBoxes.begin(), groupBoxes.end(),
              [](const QGroupBox* a, const QGroupBox* b) { return a->y() < b->y(); });
    QStringList groups;
    for (const QGroupBox* group : groupBoxes)
        groups.append(group->title());
    EXPECT_EQ(groups, (QStringList{"User Settings", "Microphone Setup", "Notifications", "Publishing"}));

    const QCheckBox* clear = checkBox(*dialog, "clearAudioWarning");
    const QCheckBox* recordOver = checkBox(*dialog, "recordOverWarning");
    EXPECT_EQ(clear->text(), "Show \"Clear audio\" warning");
    EXPECT_EQ(recordOver->text(), "Show \"Recording over audio\" warning");
    EXPECT_FALSE(clear->isChecked());
    EXPECT_TRUE(recordOver->isChecked());
}

TEST_F(SettingsDialogsTest, GivenAClearPromptSilencedWhenItsWarningIsTickedAgainThenThePromptComesBack)
{
    DialogPrompter prompter(settings);
    const PromptAnswer first = askNarrationPrompt(prompter, Prompter::NarrationPrompt::Clear, true);
    EXPECT_TRUE(first.asked);
    EXPECT_TRUE(first.confirmed);
    const PromptAnswer silenced = askNarrationPrompt(prompter, Prompter::NarrationPrompt::Clear, false);
    EXPECT_FALSE(silenced.asked);
    EXPECT_TRUE(silenced.confirmed);

    const auto dialog = openSettings();
    QCheckBox* clear = checkBox(*dialog, "clearAudioWarning");
    EXPECT_FALSE(clear->isChecked());
    EXPECT_TRUE(checkBox(*dialog, "recordOverWarning")->isChecked());
    QTest::mouseClick(clear, Qt::LeftButton);
    QTest::mouseClick(button(*dialog, "ok"), Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(settings.hideClearAudio(), 0);

    EXPECT_TRUE(askNarrationPrompt(prompter, Prompter::NarrationPrompt::Clear, false).asked);
}

TEST_F(SettingsDialogsTest, GivenAWarningUntickedAndOkThenOnlyThatPromptIsSkippedAndCountsAsConfirmed)
{
    const auto dialog = openSettings();
    QTest::mouseClick(checkBox(*dialog, "recordOverWarning"), Qt::LeftButton);
    QTest::mouseClick(button(*dialog, "ok"), Qt::LeftButton);
    EXPECT_EQ(settings.hideRecordOverAudio(), 1);
    EXPECT_EQ(settings.hideClearAudio(), 0);

    DialogPrompter prompter(settings);
    const PromptAnswer recordOver = askNarrationPrompt(prompter, Prompter::NarrationPrompt::RecordOver, false);
    EXPECT_FALSE(recordOver.asked);
    EXPECT_TRUE(recordOver.confirmed);
    EXPECT_TRUE(askNarrationPrompt(prompter, Prompter::NarrationPrompt::Clear, false).asked);
}

TEST_F(SettingsDialogsTest, GivenBothWarningsToggledWhenCancelledOrClosedThenNothingChanges)
{
    settings.setHideClearAudio(1);
    auto dialog = openSettings();
    QTest::mouseClick(checkBox(*dialog, "clearAudioWarning"), Qt::LeftButton);
    QTest::mouseClick(checkBox(*dialog, "recordOverWarning"), Qt::LeftButton);
    QTest::mouseClick(button(*dialog, "cancel"), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(settings.hideClearAudio(), 1);
    EXPECT_EQ(settings.hideRecordOverAudio(), 0);

    dialog = openSettings();
    QTest::mouseClick(checkBox(*dialog, "recordOverWarning"), Qt::LeftButton);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(settings.hideRecordOverAudio(), 0);
}

TEST_F(SettingsDialogsTest, GivenThePointerAnywhereThenTheNarrationPromptOpensAboveRightOfItAndWhollyOnScreen)
{
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    const QRect area = owner.screen()->availableGeometry();
    const QPoint middle = area.center();
    // GIVEN the pointer in the middle, in each corner and beyond the screen's edges
    for (const QPoint pointer : {middle, area.topLeft(), area.topRight(), area.bottomLeft(), area.bottomRight(),
                                 area.bottomRight() + QPoint(300, 300), area.topLeft() - QPoint(300, 300)}) {
        SCOPED_TRACE(testing::Message() << pointer.x() << "," << pointer.y());
        QCursor::setPos(pointer);
        PromptDialog prompt(PromptDialog::Kind::Clear, QPixmap(), &owner);
        prompt.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&prompt));
        // THEN all of it is on the screen the owner is on
        const QRect frame = prompt.frameGeometry();
        EXPECT_TRUE(area.contains(frame))
            << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
        // and, where there is room, its lower left corner is at the pointer
        if (pointer == middle) {
            EXPECT_EQ(frame.topLeft(), QPoint(middle.x(), middle.y() - frame.height()));
        }
        if (pointer == area.bottomLeft()) {
            EXPECT_EQ(frame.topLeft(), QPoint(area.left(), area.bottom() - frame.height()));
        }
        prompt.reject();
    }
}

TEST_F(SettingsDialogsTest, GivenTheEvenLoudnessBoxToggledThenOkStoresItAndCancelLeavesTheSettingAlone)
{
    ASSERT_TRUE(settings.evenLoudness()) << "on unless switched off";
    auto dialog = openSettings();
    QCheckBox* even = checkBox(*dialog, "evenLoudness");
    ASSERT_NE(even, nullptr);
    EXPECT_EQ(even->text(), "Even out the loudness of published narrations");
    EXPECT_TRUE(even->isChecked());
    QTest::mouseClick(even, Qt::LeftButton);
    EXPECT_TRUE(settings.evenLoudness()) << "nothing is stored before OK";
    QTest::mouseClick(button(*dialog, "ok"), Qt::LeftButton);
    EXPECT_FALSE(settings.evenLoudness());
    EXPECT_EQ(settings.hideClearAudio(), 0) << "the other switches stay as they were";

    dialog = openSettings();
    even = checkBox(*dialog, "evenLoudness");
    EXPECT_FALSE(even->isChecked());
    QTest::mouseClick(even, Qt::LeftButton);
    QTest::mouseClick(button(*dialog, "cancel"), Qt::LeftButton);
    EXPECT_FALSE(settings.evenLoudness());

    dialog = openSettings();
    QTest::mouseClick(checkBox(*dialog, "evenLoudness"), Qt::LeftButton);
    QTest::mouseClick(button(*dialog, "ok"), Qt::LeftButton);
    EXPECT_TRUE(settings.evenLoudness());
}

TEST_F(SettingsDialogsTest, GivenTheSetupAndHelpButtonsThenTheyOpenTheirDialogsOverTheSettingsAndStayOpen)
{
    const auto dialog = openSettings();
    QTest::mouseClick(button(*dialog, "accountSetup"), Qt::LeftButton);
    QTest::mouseClick(button(*dialog, "microphoneSetup"), Qt::LeftButton);
    QTest::mouseClick(button(*dialog, "help"), Qt::LeftButton);
    EXPECT_EQ(hooks.accountOpenings, (QList<DialogOpening>{{dialog.get(), 0}}));
    EXPECT_EQ(hooks.microphoneOpenings, (QList<DialogOpening>{{dialog.get(), 0}}));
    ASSERT_EQ(hooks.opener.opened.size(), 1);
    EXPECT_TRUE(hooks.opener.opened.at(0).isLocalFile());
    EXPECT_EQ(hooks.opener.opened.at(0).toLocalFile(), home.file(QStringLiteral("docs/psettings.htm")));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(button(*dialog, "accountSetup")->text(), "Setup");
    EXPECT_EQ(button(*dialog, "microphoneSetup")->text(), "Setup");
}

TEST_F(SettingsDialogsTest, GivenNoMicrophoneDialogYetThenItsSetupButtonIsDisabled)
{
    DialogActions actions = hooks.actions();
    actions.openMicrophone = nullptr;
    ProgramSettingsDialog dialog(settings, skin, actions, &owner);
    dialog.show();
    EXPECT_FALSE(button(dialog, "microphoneSetup")->isEnabled());
    EXPECT_TRUE(button(dialog, "accountSetup")->isEnabled());
    QTest::mouseClick(button(dialog, "microphoneSetup"), Qt::LeftButton);
    EXPECT_TRUE(hooks.microphoneOpenings.isEmpty());
}

class TutorialTest : public SettingsDialogsTest
{
protected:
    void SetUp() override
    {
        SettingsDialogsTest::SetUp();
        tutorial = std::make_unique<TutorialDialog>(skin, hooks.actions(), &owner);
        tutorial->show();
    }

    void goToPage(int number)
    {
        while (tutorial->page() + 1 < number)
            QTest::mouseClick(button(*tutorial, "next"), Qt::LeftButton);
        // The slots are laid out on the next pass of the event loop.
        QCoreApplication::processEvents();
    }

    QStringList visibleActions() const
    {
        QStringList shown;
        for (const char* name : {"newUser", "userSettings", "micSetup", "help"}) {
            if (button(*tutorial, name)->isVisible())
                shown.append(button(*tutorial, name)->text());
        }
        return shown;
    }

    int xOf(const char* name) const { return button(*tutorial, name)->geometry().x(); }

    std::unique_ptr<TutorialDialog> tutorial;
};

TEST_F(TutorialTest, GivenEachPageThenCaptionHeaderAndNavigationFollowThePageNumber)
{
    EXPECT_EQ(tutorial->objectName(), "TUTORIAL_BOX");
    const QStringList headers{"Pictorelle Introduction",
                              "What is a Pictorelle?",
                              "What is a Podcast?",
                              "What is a Tag?",
                              "How do I start?",
                              "Microphone setup",
                              "You are finished with this introduction"};
    for (int number = 1; number <= 7; ++number) {
        goToPage(number);
        SCOPED_TRACE(number);
        EXPECT_EQ(tutorial->windowTitle(), QStringLiteral("Pictorelle Dazuzarid introduction   %1 of 7").arg(number));
        EXPECT_EQ(labelText(*tutorial, "header"), headers.at(number - 1));
        EXPECT_EQ(button(*tutorial, "prev")->isEnabled(), number > 1);
        EXPECT_EQ(button(*tutorial, "next")->text(), number == 7 ? "Finish" : "Next");
    }
    QTest::mouseClick(button(*tutorial, "next"), Qt::LeftButton);
    EXPECT_FALSE(tutorial->isVisible());
}

TEST_F(TutorialTest, GivenTheBodyTextsThenADoubledAmpersandShowsAsOne)
{
    EXPECT_EQ(labelText(*tutorial, "body"),
              "Welcome to the Pictorelle Dazuzarid.\n\nThis Program allows you to create & publish content on the "
              "PictorelleWeb website.");
    goToPage(4);
    EXPECT_EQ(labelText(*tutorial, "body"),
              "A \"Tag\" is a one word descriptive label attributed to a Pictorelle, Podcast or Slide.  You can use "
              "multiple tags.\n\nFor instance, a picture of an orange boat might be tagged with the word \"boat\" & "
              "\"orange.\"\n\n");
}

TEST_F(TutorialTest, GivenThePagesThenTheActionButtonsTakeTheirSlots)
{
    for (int number = 1; number <= 4; ++number) {
        goToPage(number);
        EXPECT_EQ(visibleActions(), QStringList()) << "page " << number;
    }
    goToPage(5);
    EXPECT_EQ(visibleActions(), (QStringList{"New User", "User Settings"}));
    const int slot0 = xOf("newUser");
    EXPECT_EQ(xOf("userSettings"), slot0 + button(*tutorial, "newUser")->width() + 10);

    goToPage(6);
    EXPECT_EQ(visibleActions(), QStringList{"Mic Setup"});
    EXPECT_EQ(xOf("micSetup"), slot0);
    goToPage(7);
    EXPECT_EQ(visibleActions(), QStringList{"Help"});
    EXPECT_EQ(xOf("help"), slot0);
}

TEST_F(TutorialTest, GivenPageFiveWhenGoingBackThenNewUserAndUserSettingsAreHiddenAgain)
{
    goToPage(5);
    ASSERT_TRUE(button(*tutorial, "newUser")->isVisible());
    QTest::mouseClick(button(*tutorial, "prev"), Qt::LeftButton);
    EXPECT_EQ(tutorial->windowTitle(), "Pictorelle Dazuzarid introduction   4 of 7");
    EXPECT_EQ(visibleActions(), QStringList());
}

TEST_F(TutorialTest, GivenTheActionButtonsThenEachReachesItsPartOfTheProgramAndTheTutorialStaysOpen)
{
    goToPage(5);
    QTest::mouseClick(button(*tutorial, "newUser"), Qt::LeftButton);
    EXPECT_EQ(hooks.opener.opened, QList<QUrl>{QUrl("http://127.0.0.1:8642/?page=login")});
    QTest::mouseClick(button(*tutorial, "userSettings"), Qt::LeftButton);
    EXPECT_EQ(hooks.accountOpenings, (QList<DialogOpening>{{&owner, 1}}));
    goToPage(6);
    QTest::mouseClick(button(*tutorial, "micSetup"), Qt::LeftButton);
    EXPECT_EQ(hooks.microphoneOpenings, (QList<DialogOpening>{{&owner, 0}}));
    goToPage(7);
    QTest::mouseClick(button(*tutorial, "help"), Qt::LeftButton);
    EXPECT_EQ(hooks.commands, QList<int>{114});
    EXPECT_TRUE(tutorial->isVisible());
    EXPECT_EQ(tutorial->page(), 6);
}

TEST_F(TutorialTest, GivenAnyPageWhenEscapeIsPressedThenTheTutorialClosesAndStartsOverNextTime)
{
    goToPage(3);
    QTest::keyClick(tutorial.get(), Qt::Key_Escape);
    EXPECT_FALSE(tutorial->isVisible());
    tutorial->show();
    EXPECT_EQ(tutorial->windowTitle(), "Pictorelle Dazuzarid introduction   1 of 7");
}

TEST_F(TutorialTest, GivenNoMicrophoneDialogYetThenMicSetupIsDisabled)
{
    DialogActions actions = hooks.actions();
    actions.openMicrophone = nullptr;
    TutorialDialog withoutMicrophone(skin, actions, &owner);
    withoutMicrophone.show();
    while (withoutMicrophone.page() < 5)
        QTest::mouseClick(button(withoutMicrophone, "next"), Qt::LeftButton);
    EXPECT_TRUE(button(withoutMicrophone, "micSetup")->isVisible());
    EXPECT_FALSE(button(withoutMicrophone, "micSetup")->isEnabled());
}

TEST_F(SettingsDialogsTest, GivenTheAboutBoxThenOnlyAClickOnThePictureOpensTheServiceHomePage)
{
    AboutDialog about(skin, hooks.actions(), &owner);
    about.show();
    EXPECT_EQ(about.objectName(), "ABOUT_BOX");
    EXPECT_EQ(about.windowTitle(), "Pictorelle Dazuzarid");
    EXPECT_EQ(labelText(about, "header"), "Pictorelle Dazuzarid");
    EXPECT_EQ(labelText(about, "version"), "version 1.01 build 0524");
    auto* link = about.findChild<QLabel*>(QStringLiteral("webLink"));
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->size(), QSize(189, 20));
    EXPECT_FALSE(link->pixmap().isNull());

    QTest::mouseClick(about.findChild<QLabel*>(QStringLiteral("version")), Qt::LeftButton);
    QTest::mouseClick(&about, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_TRUE(hooks.opener.opened.isEmpty());
    QTest::mouseClick(link, Qt::RightButton);
    EXPECT_TRUE(hooks.opener.opened.isEmpty());

    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(188, 19));
    EXPECT_EQ(hooks.opener.opened, QList<QUrl>{QUrl("http://127.0.0.1:8642")});
    EXPECT_TRUE(about.isVisible());
    QTest::mouseClick(button(about, "ok"), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
}

} // namespace
