#include "desktop/dialogs/dialogprompter.h"
#include "desktop/dialogs/promptdialog.h"
#include "shell/programsettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

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

TEST(DialogPrompter, GivenAnAddressNoBrowserTookThenTheBoxShowsItAsSelectableText)
{
    ProgramSettings settings;
    DialogPrompter prompter(settings);
    QString text;
    QString caption;
    Qt::TextInteractionFlags flags;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        text = box->text();
        caption = box->windowTitle();
        flags = box->textInteractionFlags();
        box->button(QMessageBox::Ok)->click();
    });
    const QUrl address(QStringLiteral("http://web.test:81/?page=check&ver=1.0"));
    prompter.informAddress(QStringLiteral("Pictorelle"), QStringLiteral("No web browser could be started."), address);
    EXPECT_EQ(caption, "Pictorelle");
    EXPECT_EQ(text, "No web browser could be started.\n\nhttp://web.test:81/?page=check&ver=1.0");
    EXPECT_TRUE(flags.testFlag(Qt::TextSelectableByMouse));
    EXPECT_TRUE(flags.testFlag(Qt::TextSelectableByKeyboard));
}

TEST(DialogPrompter, GivenThePictureChooserThenSeveralFilesOfTheImportedTypesCanBeChosenAtOnce)
{
    ProgramSettings settings;
    DialogPrompter prompter(settings);
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (const char* name : {"a.png", "b.png", "c.png"})
        ASSERT_TRUE(image.save(QDir(folder.path()).filePath(QLatin1String(name))));
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QString directory;
    QStringList filters;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        mode = dialog->fileMode();
        directory = dialog->directory().absolutePath();
        filters = dialog->nameFilters();
        dialog->selectFile(QStringLiteral("\"c.png\" \"a.png\""));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const QStringList chosen = prompter.choosePictures(folder.path());
    EXPECT_EQ(mode, QFileDialog::ExistingFiles);
    EXPECT_EQ(directory, QDir(folder.path()).absolutePath());
    ASSERT_EQ(filters.size(), 1);
    EXPECT_FALSE(filters[0].contains(QLatin1String("tga"), Qt::CaseInsensitive));
    EXPECT_FALSE(filters[0].contains(QLatin1String("rle"), Qt::CaseInsensitive));
    EXPECT_EQ(chosen, QStringList({QDir(folder.path()).filePath("c.png"), QDir(folder.path()).filePath("a.png")}));
}
