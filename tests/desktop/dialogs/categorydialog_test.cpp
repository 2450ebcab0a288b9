#include "desktop/dialogs/categorydialog.h"

#include "desktop/widgets/skinresources.h"
#include "shell/categorytree.h"
#include "story/story.h"
#include "tempfolder.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Music (3000000) has children on level 2 only; Humour is a leaf on level 1.
const QByteArray Catalogue = "1.0\r\n4\r\n5\r\n3\r\n0\r\n"
                             "1000000,1,0,Travel\r\n2000000,1,0,Lifestyle\r\n3000000,1,0,Music\r\n"
                             "4000000,1,1,Humour\r\n"
                             "1010000,2,0,Europe\r\n2010000,2,1,Fashion\r\n2030000,2,0,Travel\r\n"
                             "3010000,2,1,Jazz\r\n3020000,2,1,Rock\r\n"
                             "1010100,3,1,France\r\n2030100,3,1,Africa\r\n2030400,3,1,Europe\r\n";

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

QStringList rows(const QListWidget* list)
{
    QStringList names;
    for (int row = 0; row < list->count(); ++row)
        names << list->item(row)->text();
    return names;
}

// The row the user sees selected, -1 for none.
int selectedRow(const QListWidget* list)
{
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

struct CategoryDialogFixture : ::testing::Test
{
    TempFolder home;
    Story story{home.path()};
    SkinResources skin;
    CategoryTree categories;

    void SetUp() override { ASSERT_TRUE(categories.load(home.write("category.dat", Catalogue))); }

    static void show(QDialog& dialog)
    {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }

    static void clickRow(CategoryDialog& dialog, int level, int row)
    {
        QListWidget* list = dialog.list(level);
        ASSERT_LT(row, list->count());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }

    static void finish(CategoryDialog& dialog)
    {
        ASSERT_TRUE(dialog.finishButton()->isEnabled());
        QTest::mouseClick(dialog.finishButton(), Qt::LeftButton);
    }
};

using CategoryDialogTest = CategoryDialogFixture;

} // namespace

TEST_F(CategoryDialogTest, GivenAStoryWithoutCategoryThenOnlyLevelOneIsListedAndFinishIsDisabled)
{
    CategoryDialog dialog(story, categories, skin);
    EXPECT_EQ(dialog.objectName(), "CATEGORY_SELECTION_BOX");
    EXPECT_EQ(dialog.windowTitle(), "Choose a Category");
    EXPECT_EQ(dialog.pathLabel()->text(), "No category selected");
    EXPECT_EQ(dialog.pathLabel()->font().pixelSize(), skin.labelFont().pixelSize());
    EXPECT_EQ(dialog.pathLabel()->font().weight(), skin.labelFont().weight());
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    for (const char* text : {"Category Level 1", "Category Level 2", "Category Level 3"})
        EXPECT_TRUE(labels.contains(QString::fromLatin1(text))) << text;
    EXPECT_TRUE(labels.contains("You can choose any level category for your Pictorelle.  For example, you can "
                                "choose \"Lifestyle\" or \"Lifestyle > Travel > Africa.\""));
    EXPECT_EQ(dialog.finishButton()->text(), "&Finish");
    EXPECT_EQ(dialog.findChild<QPushButton*>("cancelButton")->text(), "&Cancel");

    EXPECT_EQ(rows(dialog.list(1)), QStringList({"Travel", "Lifestyle", "Music", "Humour"}));
    EXPECT_EQ(selectedRow(dialog.list(1)), -1);
    EXPECT_TRUE(rows(dialog.list(2)).isEmpty());
    EXPECT_TRUE(rows(dialog.list(3)).isEmpty());
    EXPECT_FALSE(dialog.finishButton()->isEnabled());
}

TEST_F(CategoryDialogTest, GivenLevelThreeCategoryThenItsRowAndAncestorsAreSelectedAndJoinedInThePath)
{
    story.setCategoryId(2030400);
    CategoryDialog dialog(story, categories, skin);
    EXPECT_EQ(selectedRow(dialog.list(1)), 1);
    EXPECT_EQ(rows(dialog.list(2)), QStringList({"Fashion", "Travel"}));
    EXPECT_EQ(selectedRow(dialog.list(2)), 1);
    EXPECT_EQ(rows(dialog.list(3)), QStringList({"Africa", "Europe"}));
    EXPECT_EQ(selectedRow(dialog.list(3)), 1);
    EXPECT_EQ(dialog.pathLabel()->text(), "Lifestyle  >  Travel  >  Europe");
    EXPECT_TRUE(dialog.finishButton()->isEnabled());
}

TEST_F(CategoryDialogTest, GivenLevelOneCategoryThenOnlyItsRowIsSelectedAndListThreeStaysEmpty)
{
    story.setCategoryId(3000000);
    CategoryDialog dialog(story, categories, skin);
    EXPECT_EQ(selectedRow(dialog.list(1)), 2);
    EXPECT_EQ(rows(dialog.list(2)), QStringList({"Jazz", "Rock"}));
    EXPECT_EQ(selectedRow(dialog.list(2)), -1);
    EXPECT_TRUE(rows(dialog.list(3)).isEmpty());
    EXPECT_EQ(dialog.pathLabel()->text(), "Music");
    EXPECT_TRUE(dialog.finishButton()->isEnabled());
}

TEST_F(CategoryDialogTest, GivenALeafChosenOnLevelOneThenFinishStoresItAlone)
{
    story.setCategoryId(2030400);
    CategoryDialog dialog(story, categories, skin);
    show(dialog);
    clickRow(dialog, 1, 3);
    EXPECT_TRUE(rows(dialog.list(2)).isEmpty());
    EXPECT_TRUE(rows(dialog.list(3)).isEmpty());
    EXPECT_EQ(dialog.pathLabel()->text(), "Humour");
    finish(dialog);
    EXPECT_EQ(story.categoryId(), 4000000);
    EXPECT_EQ(story.categoryName(), "Humour");
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(CategoryDialogTest, GivenRowsChosenLevelByLevelThenTheListsBelowFollowAndFinishStoresTheDeepest)
{
    CategoryDialog dialog(story, categories, skin);
    show(dialog);
    clickRow(dialog, 1, 1);
    EXPECT_EQ(rows(dialog.list(2)), QStringList({"Fashion", "Travel"}));
    EXPECT_EQ(dialog.pathLabel()->text(), "Lifestyle");
    EXPECT_TRUE(dialog.finishButton()->isEnabled());
    clickRow(dialog, 2, 1);
    EXPECT_EQ(rows(dialog.list(3)), QStringList({"Africa", "Europe"}));
    EXPECT_EQ(selectedRow(dialog.list(3)), -1);
    EXPECT_EQ(dialog.pathLabel()->text(), "Lifestyle  >  Travel");
    clickRow(dialog, 3, 0);
    EXPECT_EQ(dialog.pathLabel()->text(), "Lifestyle  >  Travel  >  Africa");

    // Another level-1 row empties the deeper choices.
    clickRow(dialog, 1, 0);
    EXPECT_EQ(rows(dialog.list(2)), QStringList({"Europe"}));
    EXPECT_TRUE(rows(dialog.list(3)).isEmpty());
    EXPECT_EQ(dialog.pathLabel()->text(), "Travel");
    clickRow(dialog, 2, 0);
    clickRow(dialog, 3, 0);
    finish(dialog);
    EXPECT_EQ(story.categoryId(), 1010100);
    EXPECT_EQ(story.categoryName(), "Travel  >  Europe  >  France");
}

TEST_F(CategoryDialogTest, GivenACategoryMissingFromTheTableThenNothingIsSelectedAndFinishStoresNone)
{
    story.setCategoryId(5050500);
    story.setCategoryName("Gone  >  Away  >  Lost");
    CategoryDialog dialog(story, categories, skin);
    show(dialog);
    for (int level = 1; level <= 3; ++level)
        EXPECT_EQ(selectedRow(dialog.list(level)), -1) << level;
    EXPECT_EQ(dialog.pathLabel()->text(), "No category selected");
    finish(dialog);
    EXPECT_EQ(story.categoryId(), 0);
    EXPECT_EQ(story.categoryName(), noCategoryText());
}

TEST_F(CategoryDialogTest, GivenRowsChosenWhenCancelledOrEscapedThenTheStoryKeepsItsCategory)
{
    story.setCategoryId(3000000);
    story.setCategoryName("Music");
    CategoryDialog dialog(story, categories, skin);
    whenModalOpens([&](QDialog& open) {
        ASSERT_EQ(&open, &dialog);
        clickRow(dialog, 1, 1);
        clickRow(dialog, 2, 0);
        QTest::mouseClick(dialog.findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.exec(), 1);
    EXPECT_EQ(story.categoryId(), 3000000);
    EXPECT_EQ(story.categoryName(), "Music");

    CategoryDialog again(story, categories, skin);
    whenModalOpens([&](QDialog&) {
        clickRow(again, 1, 0);
        QTest::keyClick(&again, Qt::Key_Escape);
    });
    EXPECT_EQ(again.exec(), 1);
    EXPECT_EQ(story.categoryId(), 3000000);
    EXPECT_EQ(story.categoryName(), "Music");
}
