#include "desktop/dialogs/slideinfodialog.h"
#include "desktop/dialogs/storyinfodialog.h"

#include "desktop/dialogs/categorydialog.h"
#include "desktop/widgets/skinresources.h"
#include "shell/categorytree.h"
#include "story/slide.h"
#include "story/story.h"
#include "tempfolder.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

const QRect MainWindowFrame(100, 50, 800, 780);
const QColor ThumbnailColour(200, 30, 40);

// Acts on the modal dialog once its own event loop runs; a dialog the act leaves open is
// closed as a failure, so a broken dialog fails the test instead of hanging it.
void whenModalOpens(const std::function<void(QDialog&)>& act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            ADD_FAILURE() << "no modal dialog";
            return;
        }
        act(*dialog);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the dialog stayed open";
            dialog->done(0);
        }
    });
}

template <class T>
T* child(const QWidget& parent, const QString& name)
{
    T* found = parent.findChild<T*>(name);
    if (!found)
        ADD_FAILURE() << "no child " << name.toStdString();
    return found;
}

QStringList items(const QListWidget& list)
{
    QStringList texts;
    for (int row = 0; row < list.count(); ++row)
        texts << list.item(row)->text();
    return texts;
}

QStringList labelTexts(const QWidget& parent)
{
    QStringList texts;
    for (const QLabel* label : parent.findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

void click(QPushButton* button)
{
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

void clickRow(QListWidget* list, int row)
{
    ASSERT_NE(list, nullptr);
    ASSERT_LT(row, list->count());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

// Types a tag into the dialog's new-tag box and presses Return, as a user adds one.
void typeTag(QWidget& dialog, const QString& tag)
{
    auto* box = child<QLineEdit>(dialog, "newTagBox");
    QTest::keyClicks(box, tag);
    QTest::keyClick(box, Qt::Key_Return);
}

struct InfoDialogFixture : ::testing::Test
{
    TempFolder home;
    Story story{home.path()};
    SkinResources skin;
    CategoryTree categories;
    QWidget mainWindow;

    void SetUp() override { mainWindow.setGeometry(MainWindowFrame); }

    Slide& addSlide(const QString& caption, const QString& tags, bool ready = true)
    {
        auto owned = std::make_unique<Slide>(story);
        Slide& slide = *owned;
        slide.setSourcePicturePath(home.file(QStringLiteral("picture%1.jpg").arg(slide.id())));
        slide.setCaption(caption);
        slide.setTags(tags);
        QImage thumbnail(75, 75, QImage::Format_RGB32);
        thumbnail.fill(ThumbnailColour);
        slide.setThumbnail(thumbnail);
        slide.setReady(ready);
        EXPECT_TRUE(story.add(std::move(owned)));
        return slide;
    }

    static void show(QDialog& dialog)
    {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
};

using StoryInfoDialogTest = InfoDialogFixture;
using SlideInfoDialogTest = InfoDialogFixture;

} // namespace

TEST_F(StoryInfoDialogTest, GivenAStoryThenTheDialogShowsItsTextsUnderTheFixedCaptions)
{
    story.setTitle("Summer");
    story.setDescription("Day one\r\nDay two");
    story.setTags("sea Beach  art");
    StoryInfoDialog dialog(story, categories, skin, &mainWindow);
    EXPECT_EQ(dialog.objectName(), "MY_SLIDECAST_BOX");
    EXPECT_EQ(dialog.windowTitle(), "Pictorelle");
    auto* header = child<QLabel>(dialog, "storyInfoHeader");
    EXPECT_EQ(header->text(), "Pictorelle Info");
    EXPECT_EQ(header->font().pixelSize(), skin.titleFont().pixelSize());
    EXPECT_EQ(header->font().weight(), skin.titleFont().weight());
    const QStringList labels = labelTexts(dialog);
    for (const char* text : {"Title:", "Description:", "Tags:"})
        EXPECT_TRUE(labels.contains(QString::fromLatin1(text))) << text;
    EXPECT_EQ(child<QPushButton>(dialog, "chooseCategoryButton")->text(), "&Choose Category");
    EXPECT_EQ(child<QPushButton>(dialog, "addTagButton")->text(), "&Add Tag");
    EXPECT_EQ(child<QPushButton>(dialog, "removeTagButton")->text(), "&Remove Tag");
    EXPECT_EQ(child<QPushButton>(dialog, "okButton")->text(), "&OK");
    EXPECT_EQ(child<QPushButton>(dialog, "cancelButton")->text(), "&Cancel");
    EXPECT_TRUE(child<QPushButton>(dialog, "addTagButton")->isDefault());

    EXPECT_EQ(child<QLabel>(dialog, "categoryLabel")->text(), "Click the \"Choose Category\" button");
    EXPECT_EQ(child<QLineEdit>(dialog, "titleBox")->text(), "Summer");
    EXPECT_EQ(child<QPlainTextEdit>(dialog, "descriptionBox")->toPlainText(), "Day one\nDay two");
    EXPECT_EQ(items(*child<QListWidget>(dialog, "tagList")), QStringList({"art", "Beach", "sea"}));

    story.setCategoryId(2030000);
    story.setCategoryName("Lifestyle  >  Travel");
    StoryInfoDialog withCategory(story, categories, skin, &mainWindow);
    EXPECT_EQ(child<QLabel>(withCategory, "categoryLabel")->text(), "Lifestyle  >  Travel");
}

TEST_F(StoryInfoDialogTest, GivenTagsTypedAndRemovedThenOkStoresTheFilteredTagsAlphabetically)
{
    story.setTags("travel beach");
    StoryInfoDialog dialog(story, categories, skin, &mainWindow);
    show(dialog);
    auto* list = child<QListWidget>(dialog, "tagList");
    auto* box = child<QLineEdit>(dialog, "newTagBox");

    typeTag(dialog, "new york;%20");
    EXPECT_EQ(items(*list), QStringList({"beach", "newyork", "travel"}));
    EXPECT_TRUE(box->text().isEmpty());
    EXPECT_TRUE(box->hasFocus());

    typeTag(dialog, "Trav");
    EXPECT_EQ(items(*list), QStringList({"beach", "newyork", "travel"}));
    EXPECT_TRUE(box->text().isEmpty());
    QTest::keyClicks(box, "travels");
    click(child<QPushButton>(dialog, "addTagButton"));
    EXPECT_EQ(items(*list), QStringList({"beach", "newyork", "travel", "travels"}));

    clickRow(list, 0);
    click(child<QPushButton>(dialog, "removeTagButton"));
    EXPECT_EQ(items(*list), QStringList({"newyork", "travel", "travels"}));
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_TRUE(list->item(0)->isSelected());

    click(child<QPushButton>(dialog, "okButton"));
    EXPECT_EQ(story.tags(), "newyork travel travels");
    // OK is one undo step, and undoing it puts the tags back.
    ASSERT_EQ(story.undoStack()->count(), 1);
    EXPECT_EQ(story.undoStack()->undoText(), "Edit Pictorelle Info");
    EXPECT_TRUE(story.undo());
    EXPECT_EQ(story.tags(), "travel beach");
    EXPECT_TRUE(story.redo());
    EXPECT_EQ(story.tags(), "newyork travel travels");
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(StoryInfoDialogTest, GivenTagsRemovedThenTheBudgetComesBackOnlyWhenTheDialogOpensAgain)
{
    // 505 characters of tags leave room for nothing longer than five characters.
    story.setTags(QString(505, QLatin1Char('x')));
    {
        StoryInfoDialog dialog(story, categories, skin, &mainWindow);
        show(dialog);
        clickRow(child<QListWidget>(dialog, "tagList"), 0);
        click(child<QPushButton>(dialog, "removeTagButton"));
        typeTag(dialog, "island");
        EXPECT_EQ(child<QListWidget>(dialog, "tagList")->count(), 0);
        click(child<QPushButton>(dialog, "okButton"));
    }
    EXPECT_EQ(story.tags(), "");

    StoryInfoDialog reopened(story, categories, skin, &mainWindow);
    show(reopened);
    typeTag(reopened, "island");
    EXPECT_EQ(items(*child<QListWidget>(reopened, "tagList")), QStringList({"island"}));
}

TEST_F(StoryInfoDialogTest, GivenLongTextsThenOkStoresTitle46AndDescription298Characters)
{
    StoryInfoDialog dialog(story, categories, skin, &mainWindow);
    show(dialog);
    const QString typed = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    auto* title = child<QLineEdit>(dialog, "titleBox");
    QTest::keyClicks(title, typed);
    EXPECT_EQ(title->text(), typed.left(48));
    QString longDescription;
    for (int i = 0; i < 310; ++i)
        longDescription += QChar(u'a' + i % 26);
    auto* description = child<QPlainTextEdit>(dialog, "descriptionBox");
    QTest::keyClicks(description, longDescription);
    EXPECT_EQ(description->toPlainText(), longDescription.left(300));

    click(child<QPushButton>(dialog, "okButton"));
    EXPECT_EQ(story.title(), typed.left(46));
    EXPECT_EQ(story.description(), longDescription.left(298));
}

TEST_F(StoryInfoDialogTest, GivenALineBreakAtTheDescriptionLimitThenItCountsTwoAndIsNeverStoredHalf)
{
    StoryInfoDialog dialog(story, categories, skin, &mainWindow);
    show(dialog);
    auto* description = child<QPlainTextEdit>(dialog, "descriptionBox");
    QTest::keyClicks(description, QString(297, QLatin1Char('d')));
    // The line break takes two of the 300 characters, so only "e" of the rest still fits.
    QTest::keyClick(description, Qt::Key_Return);
    QTest::keyClicks(description, "efgh");
    EXPECT_EQ(description->toPlainText(), QString(297, QLatin1Char('d')) + "\ne");

    click(child<QPushButton>(dialog, "okButton"));
    // The first 298 characters end inside the line break, which is dropped whole.
    EXPECT_EQ(story.description(), QString(297, QLatin1Char('d')));
}

TEST_F(StoryInfoDialogTest, GivenADescriptionWithLineBreaksThenOkStoresThemAsCrLf)
{
    StoryInfoDialog dialog(story, categories, skin, &mainWindow);
    show(dialog);
    auto* description = child<QPlainTextEdit>(dialog, "descriptionBox");
    QTest::keyClicks(description, "first");
    QTest::keyClick(description, Qt::Key_Return);
    QTest::keyClicks(description, "second");
    click(child<QPushButton>(dialog, "okButton"));
    EXPECT_EQ(story.description(), "first\r\nsecond");
}

TEST_F(StoryInfoDialogTest, GivenEditsWhenCancelledThenNothingIsStoredAndTheResultIsStillOne)
{
    story.setTitle("Kept");
    story.setDescription("Kept too");
    story.setTags("kept");
    StoryInfoDialog dialog(story, categories, skin, &mainWindow);
    const int steps = story.undoStack()->count();
    whenModalOpens([&](QDialog& open) {
        ASSERT_EQ(&open, &dialog);
        QTest::keyClicks(child<QLineEdit>(dialog, "titleBox"), " changed");
        QTest::keyClicks(child<QPlainTextEdit>(dialog, "descriptionBox"), "changed");
        typeTag(dialog, "added");
        click(child<QPushButton>(dialog, "cancelButton"));
    });
    EXPECT_EQ(dialog.exec(), 1);
    EXPECT_EQ(story.title(), "Kept");
    EXPECT_EQ(story.description(), "Kept too");
    EXPECT_EQ(story.tags(), "kept");
    EXPECT_EQ(story.undoStack()->count(), steps);

    whenModalOpens([](QDialog& open) { QTest::keyClick(&open, Qt::Key_Escape); });
    EXPECT_EQ(dialog.exec(), 1);
}

TEST_F(StoryInfoDialogTest, GivenACategoryChosenThenTheLabelShowsItAndCancelKeepsIt)
{
    TempFolder data;
    ASSERT_TRUE(categories.load(data.write("category.dat", "1.0\r\n2\r\n1\r\n0\r\n0\r\n"
                                                           "1000000,1,0,Travel\r\n2000000,1,0,Lifestyle\r\n"
                                                           "2030000,2,1,Road & Rail\r\n")));
    StoryInfoDialog dialog(story, categories, skin, &mainWindow);
    show(dialog);
    whenModalOpens([](QDialog& open) {
        auto* chooser = qobject_cast<CategoryDialog*>(&open);
        ASSERT_NE(chooser, nullptr);
        clickRow(chooser->list(1), 1);
        clickRow(chooser->list(2), 0);
        click(chooser->finishButton());
    });
    click(child<QPushButton>(dialog, "chooseCategoryButton"));
    EXPECT_EQ(child<QLabel>(dialog, "categoryLabel")->text(), "Lifestyle  >  Road & Rail");
    EXPECT_EQ(story.categoryId(), 2030000);

    click(child<QPushButton>(dialog, "cancelButton"));
    EXPECT_EQ(story.categoryId(), 2030000);
    EXPECT_EQ(story.categoryName(), "Lifestyle  >  Road & Rail");
}

TEST_F(StoryInfoDialogTest, GivenTheMainWindowThenTheDialogOpensAtItsOffsetButNeverOffTheScreen)
{
    const QRect area = mainWindow.screen()->availableGeometry();
    mainWindow.move(area.topLeft());
    {
        StoryInfoDialog dialog(story, categories, skin, &mainWindow);
        show(dialog);
        ASSERT_TRUE(area.contains(QRect(dialog.pos(), dialog.frameGeometry().size())));
        EXPECT_EQ(dialog.pos(), mainWindow.frameGeometry().topLeft() + QPoint(245, 218));
    }
    // A main window reaching past the screen's lower right corner: the offset would put the
    // dialog's buttons out of reach.
    mainWindow.move(area.bottomRight() - QPoint(300, 300));
    StoryInfoDialog dialog(story, categories, skin, &mainWindow);
    show(dialog);
    EXPECT_TRUE(area.contains(dialog.frameGeometry()));
}

TEST_F(SlideInfoDialogTest, GivenTheSlideShownThenItsNumberCaptionAndTagsAreShownAndTheWalkButtonsFitItsPlace)
{
    addSlide("Only slide", "b a");
    {
        SlideInfoDialog dialog(story, 0, skin, &mainWindow);
        EXPECT_EQ(dialog.objectName(), "MY_SLIDE_BOX");
        EXPECT_EQ(dialog.windowTitle(), "Pictorelle - Slide 1");
        EXPECT_EQ(child<QLabel>(dialog, "captionLabel")->text(), "Slide 1 Caption:");
        EXPECT_EQ(child<QLabel>(dialog, "tagsLabel")->text(), "Slide 1 Tags:");
        EXPECT_EQ(child<QLabel>(dialog, "tagsLabel")->font().pixelSize(), skin.labelFont().pixelSize());
        EXPECT_EQ(child<QPlainTextEdit>(dialog, "captionBox")->toPlainText(), "Only slide");
        EXPECT_EQ(items(*child<QListWidget>(dialog, "tagList")), QStringList({"a", "b"}));
        EXPECT_EQ(child<QPushButton>(dialog, "prevButton")->text(), "<<  &Prev");
        EXPECT_EQ(child<QPushButton>(dialog, "nextButton")->text(), "&Next  >>");
        EXPECT_EQ(child<QPushButton>(dialog, "addTagButton")->text(), "Add Tag");
        EXPECT_EQ(child<QPushButton>(dialog, "removeTagButton")->text(), "Remove Tag");
        EXPECT_EQ(child<QPushButton>(dialog, "okButton")->text(), "OK");
        EXPECT_EQ(child<QPushButton>(dialog, "cancelButton")->text(), "Cancel");
        EXPECT_FALSE(child<QPushButton>(dialog, "prevButton")->isEnabled());
        EXPECT_FALSE(child<QPushButton>(dialog, "nextButton")->isEnabled());
    }
    addSlide("Second", "");
    addSlide("Third", "");
    SlideInfoDialog last(story, 2, skin, &mainWindow);
    EXPECT_EQ(last.windowTitle(), "Pictorelle - Slide 3");
    EXPECT_TRUE(child<QPushButton>(last, "prevButton")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(last, "nextButton")->isEnabled());
    SlideInfoDialog first(story, 0, skin, &mainWindow);
    EXPECT_FALSE(child<QPushButton>(first, "prevButton")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(first, "nextButton")->isEnabled());
}

TEST_F(SlideInfoDialogTest, GivenALongCaptionThenOkStoresItsFirst58Characters)
{
    Slide& slide = addSlide("", "");
    SlideInfoDialog dialog(story, 0, skin, &mainWindow);
    show(dialog);
    const QString typed = QStringLiteral("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ!?");
    auto* caption = child<QPlainTextEdit>(dialog, "captionBox");
    QTest::keyClicks(caption, typed);
    EXPECT_EQ(caption->toPlainText(), typed.left(60));
    typeTag(dialog, "new york;%20");
    click(child<QPushButton>(dialog, "okButton"));
    EXPECT_EQ(slide.caption(), typed.left(58));
    EXPECT_EQ(slide.tags(), "newyork");
    EXPECT_EQ(story.undoStack()->undoText(), "Edit Slide Info");
    EXPECT_TRUE(story.undo());
    EXPECT_EQ(slide.caption(), "");
    EXPECT_EQ(slide.tags(), "");
    EXPECT_EQ(dialog.result(), 1);
}

TEST_F(SlideInfoDialogTest, GivenNextAndPrevThenTheSlideLeftIsStoredAndTheOtherIsShown)
{
    Slide& first = addSlide("First", "one");
    Slide& second = addSlide("Second", "two");
    SlideInfoDialog dialog(story, 0, skin, &mainWindow);
    show(dialog);
    const int stepsBefore = story.undoStack()->count();
    auto* caption = child<QPlainTextEdit>(dialog, "captionBox");
    caption->moveCursor(QTextCursor::End);
    QTest::keyClicks(caption, " edited");
    typeTag(dialog, "extra");

    click(child<QPushButton>(dialog, "nextButton"));
    EXPECT_EQ(first.caption(), "First edited");
    EXPECT_EQ(first.tags(), "extra one");
    EXPECT_EQ(dialog.shownIndex(), 1);
    EXPECT_EQ(dialog.windowTitle(), "Pictorelle - Slide 2");
    EXPECT_EQ(child<QLabel>(dialog, "captionLabel")->text(), "Slide 2 Caption:");
    EXPECT_EQ(child<QLabel>(dialog, "tagsLabel")->text(), "Slide 2 Tags:");
    EXPECT_EQ(caption->toPlainText(), "Second");
    EXPECT_EQ(items(*child<QListWidget>(dialog, "tagList")), QStringList({"two"}));
    EXPECT_TRUE(child<QPushButton>(dialog, "prevButton")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(dialog, "nextButton")->isEnabled());

    caption->selectAll();
    QTest::keyClicks(caption, "Replaced");
    click(child<QPushButton>(dialog, "prevButton"));
    EXPECT_EQ(second.caption(), "Replaced");
    EXPECT_EQ(dialog.shownIndex(), 0);
    EXPECT_EQ(caption->toPlainText(), "First edited");
    EXPECT_EQ(items(*child<QListWidget>(dialog, "tagList")), QStringList({"extra", "one"}));
    // Each slide left is one undo step of its own.
    EXPECT_EQ(story.undoStack()->count(), stepsBefore + 2);
    EXPECT_TRUE(story.undo());
    EXPECT_EQ(second.caption(), "Second");
    EXPECT_EQ(first.caption(), "First edited");
}

TEST_F(SlideInfoDialogTest, GivenEditsOnTwoSlidesWhenCancelledThenOnlyTheShownSlideLosesThem)
{
    addSlide("One", "");
    Slide& second = addSlide("Two", "");
    Slide& third = addSlide("Three", "three");
    SlideInfoDialog dialog(story, 1, skin, &mainWindow);
    whenModalOpens([&](QDialog&) {
        auto* caption = child<QPlainTextEdit>(dialog, "captionBox");
        caption->selectAll();
        QTest::keyClicks(caption, "Two, edited");
        click(child<QPushButton>(dialog, "nextButton"));
        caption->selectAll();
        QTest::keyClicks(caption, "Three, edited");
        typeTag(dialog, "dropped");
        click(child<QPushButton>(dialog, "cancelButton"));
    });
    EXPECT_EQ(dialog.exec(), 1);
    EXPECT_EQ(second.caption(), "Two, edited");
    EXPECT_EQ(third.caption(), "Three");
    EXPECT_EQ(third.tags(), "three");
    EXPECT_EQ(story.undoStack()->undoText(), "Edit Slide Info"); // slide 2, left with Next
    EXPECT_EQ(dialog.shownIndex(), -1);
}

TEST_F(SlideInfoDialogTest, GivenAnIndexOutsideTheStoryThenTheDialogCancelsItselfAtOnce)
{
    addSlide("Only", "");
    SlideInfoDialog dialog(story, 1, skin, &mainWindow);
    // Guards the test against a dialog that stays open: it would otherwise wait forever.
    QTimer guard;
    guard.setSingleShot(true);
    bool stuck = false;
    QObject::connect(&guard, &QTimer::timeout, [&] {
        stuck = true;
        dialog.done(0);
    });
    guard.start(10000);
    EXPECT_EQ(dialog.exec(), 1);
    EXPECT_FALSE(stuck);
    EXPECT_EQ(dialog.shownIndex(), -1);
    EXPECT_EQ(story.slideAt(0)->caption(), "Only");
}

TEST_F(SlideInfoDialogTest, GivenAReadySlideThenItsThumbnailIsDrawnFramedAboveTheCaption)
{
    addSlide("Ready", "");
    addSlide("Importing", "", false);
    auto segment = std::make_unique<Slide>(story);
    segment->setKind(SlideKind::Segment);
    ASSERT_TRUE(story.add(std::move(segment)));

    SlideInfoDialog dialog(story, 0, skin, &mainWindow);
    show(dialog);
    const int centre = dialog.width() / 2;
    QImage drawn = dialog.grab().toImage();
    EXPECT_EQ(drawn.pixelColor(centre, 45), ThumbnailColour);
    EXPECT_EQ(drawn.pixelColor(centre - 37, 8), ThumbnailColour);
    EXPECT_EQ(drawn.pixelColor(centre + 37, 82), ThumbnailColour);
    EXPECT_EQ(drawn.pixelColor(centre - 38, 45), QColor(128, 128, 128));
    EXPECT_EQ(drawn.pixelColor(centre + 38, 45), QColor(128, 128, 128));
    EXPECT_EQ(drawn.pixelColor(centre, 7), QColor(128, 128, 128));
    EXPECT_EQ(drawn.pixelColor(centre, 83), QColor(128, 128, 128));
    EXPECT_GT(child<QLabel>(dialog, "captionLabel")->y(), 84);

    click(child<QPushButton>(dialog, "nextButton"));
    drawn = dialog.grab().toImage();
    EXPECT_NE(drawn.pixelColor(centre, 45), ThumbnailColour);
    EXPECT_NE(drawn.pixelColor(centre - 38, 45), QColor(128, 128, 128));

    click(child<QPushButton>(dialog, "nextButton"));
    drawn = dialog.grab().toImage();
    const QImage podcast = skin.podcastPicture().toImage();
    EXPECT_EQ(drawn.pixelColor(centre - 37 + 37, 8 + 37), podcast.pixelColor(37, 37));
    EXPECT_EQ(drawn.pixelColor(centre - 37 + 10, 8 + 60), podcast.pixelColor(10, 60));
}

TEST_F(SlideInfoDialogTest, GivenTheMainWindowThenTheDialogOpensAtItsLeftOffsetAboveItsBottom)
{
    addSlide("Only", "");
    SlideInfoDialog dialog(story, 0, skin, &mainWindow);
    show(dialog);
    const QRect frame = mainWindow.frameGeometry();
    EXPECT_EQ(dialog.pos(), QPoint(frame.left() + 245, frame.top() + frame.height() - (dialog.height() + 50)));
}
