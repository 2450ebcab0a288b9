#include "desktop/dialogs/dialogprompter.h"
#include "desktop/dialogs/promptdialog.h"
#include "shell/programsettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

//! Acts on the prompt once it is open (its own event loop is running by then).
void whenPromptOpens(const std::function<void(PromptDialog&)>& act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<PromptDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

} // namespace

TEST(DialogPrompter, GivenTheSwitchesOffThenTheNarrationPromptsGoAheadWithoutAsking)
{
    ProgramSettings settings;
    settings.setHideClearAudio(1);
    settings.setHideRecordOverAudio(1);
    DialogPrompter prompter(settings);
    EXPECT_TRUE(prompter.confirmNarrationPrompt(Prompter::NarrationPrompt::Clear));
    EXPECT_TRUE(prompter.confirmNarrationPrompt(Prompter::NarrationPrompt::RecordOver));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(DialogPrompter, GivenOkWithDontShowAgainThenOnlyThatPromptIsSwitchedOff)
{
    ProgramSettings settings;
    DialogPrompter prompter(settings);
    QString text;
    QString caption;
    whenPromptOpens([&](PromptDialog& dialog) {
        text = dialog.findChild<QLabel*>(QStringLiteral("promptText"))->text();
        caption = dialog.windowTitle();
        dialog.findChild<QCheckBox*>(QStringLiteral("dontShowAgain"))->setChecked(true);
        dialog.accept();
    });
    EXPECT_TRUE(prompter.confirmNarrationPrompt(Prompter::NarrationPrompt::RecordOver));
    EXPECT_EQ(text, "Clear the audio of this slide and record a new one?");
    EXPECT_EQ(caption, "Record Audio");
    EXPECT_EQ(settings.hideRecordOverAudio(), 1);
    EXPECT_EQ(settings.hideClearAudio(), 0);
}

TEST(DialogPrompter, GivenCancelThenTheNarrationStaysAndTheTickIsIgnored)
{
    ProgramSettings settings;
    DialogPrompter prompter(settings);
    QString caption;
    whenPromptOpens([&](PromptDialog& dialog) {
        caption = dialog.windowTitle();
        dialog.findChild<QCheckBox*>(QStringLiteral("dontShowAgain"))->setChecked(true);
        dialog.reject();
    });
    EXPECT_FALSE(prompter.confirmNarrationPrompt(Prompter::NarrationPrompt::Clear));
    EXPECT_EQ(caption, "Clear Audio");
    EXPECT_EQ(settings.hideClearAudio(), 0);
}

TEST(DialogPrompter, GivenOkWithoutTheTickThenThePromptStaysOn)
{
    ProgramSettings settings;
    DialogPrompter prompter(settings);
    whenPromptOpens([](PromptDialog& dialog) { dialog.accept(); });
    EXPECT_TRUE(prompter.confirmNarrationPrompt(Prompter::NarrationPrompt::Clear));
    EXPECT_EQ(settings.hideClearAudio(), 0);
}

TEST(DialogPrompter, GivenAYesNoQuestionThenNoIsTheDefaultAndOnlyYesSaysTrue)
{
    ProgramSettings settings;
    DialogPrompter prompter(settings);
    const auto answerWith = [](const std::function<void(QMessageBox&)>& act) {
        QTimer::singleShot(0, [act] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            act(*box);
        });
    };
    QString text;
    QString caption;
    answerWith([&](QMessageBox& box) {
        text = box.text();
        caption = box.windowTitle();
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::No));
        EXPECT_EQ(box.escapeButton(), box.button(QMessageBox::No));
        // Enter takes the default.
        QTest::keyClick(&box, Qt::Key_Return);
    });
    EXPECT_FALSE(prompter.askYesNo(QStringLiteral("Pictorelle"), QStringLiteral("Delete slide 3?")));
    EXPECT_EQ(text, "Delete slide 3?");
    EXPECT_EQ(caption, "Pictorelle");

    answerWith([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
    EXPECT_TRUE(prompter.askYesNo(QStringLiteral("Pictorelle"), QStringLiteral("Delete slide 3?")));
}

TEST(DialogPrompter, GivenAFileLongerThanTheSlideThenTheQuestionOffersToKeepTheBeginningOrCancel)
{
    ProgramSettings settings;
    DialogPrompter prompter(settings);
    QStringList buttons;
    QString text;
    bool enterKeeps = false;
    const auto answer = [&](bool keep) {
        QTimer::singleShot(0, [&, keep] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            text = box->text();
            buttons.clear();
            for (QAbstractButton* b : box->buttons())
                buttons << b->text();
            enterKeeps = box->defaultButton() && box->defaultButton()->text() == "Keep the First 60 s";
            for (QAbstractButton* b : box->buttons())
                if ((b->text() == "Keep the First 60 s") == keep)
                    b->click();
        });
    };
    answer(true);
    EXPECT_TRUE(prompter.askKeepBeginning("\"a.mp3\" is 1:15 long, longer than 60 s.", "Keep the First 60 s"));
    EXPECT_EQ(text, "\"a.mp3\" is 1:15 long, longer than 60 s.");
    EXPECT_EQ(buttons.size(), 2);
    EXPECT_TRUE(buttons.contains("Keep the First 60 s"));
    EXPECT_TRUE(enterKeeps);
    answer(false);
    EXPECT_FALSE(prompter.askKeepBeginning("\"a.mp3\" is 1:15 long, longer than 60 s.", "Keep the First 60 s"));
}
