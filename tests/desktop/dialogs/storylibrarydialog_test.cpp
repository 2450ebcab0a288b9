#include "desktop/dialogs/storylibrarydialog.h"
#include "eventually.h"
#include "fixedclock.h"

#include "desktop/dialogs/loadingbox.h"
#include "desktop/widgets/skinresources.h"
#include "pictures/pictureimporter.h"
#include "story/story.h"
#include "story/storyfile.h"
#include "tempfolder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

const QDateTime kYesterday(QDate(2026, 12, 6), QTime(18, 29, 33));
const QDateTime kThisMorning(QDate(2026, 12, 7), QTime(8, 5, 10));
const QDateTime kToday(QDate(2026, 12, 7), QTime(9, 5, 10));
const QDateTime kTomorrow(QDate(2026, 12, 8), QTime(11, 0, 0));

//! Records the story's title each time the loading box paints, so a test sees whether
//! it was on screen before the story was replaced.
class PaintWatcher : public QObject
{
public:
    explicit PaintWatcher(const Story& story) : m_story(story) { qApp->installEventFilter(this); }
    ~PaintWatcher() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Paint && widget && qobject_cast<LoadingBox*>(widget->window()))
            titlesWhenPainted << m_story.title();
        return false;
    }
    QStringList titlesWhenPainted;

private:
    const Story& m_story;
};

struct LibraryDialogFixture : ::testing::Test
{
    TempFolder home;
    PictureImporter importer{2};
    SkinResources skin;
    StoryLibrary::SortSwitches switches;
    QWidget owner;
    std::unique_ptr<Story> current;
    QString todayFile;
    QString podcastFile;
    QString alphaFile;
    int pictureNumber = 0;

    void SetUp() override
    {
        // Saved the way the program saves, before the story being edited empties the working folder.
        podcastFile = saveSample("", StoryType::Podcast, {600}, kYesterday);
        todayFile = saveSample("Today", StoryType::Picture, {60, 60, 5}, kToday);
        alphaFile = saveSample("alpha", StoryType::Picture, {0, 0}, kThisMorning);
        current = std::make_unique<Story>(home.path(), &importer);
        current->setTitle("Current");
        owner.setGeometry(100, 100, 900, 700);
        QCursor::setPos(QPoint(1500, 1200));
    }

    QString saveFolder() const { return home.path() + "save/"; }

    QString samplePicture()
    {
        QImage image(32, 24, QImage::Format_RGB32);
        image.fill(QColor::fromHsv((pictureNumber * 40) % 360, 200, 200));
        const QString path = home.file(QString("pictures/p%1.png").arg(pictureNumber++));
        QDir().mkpath(QFileInfo(path).absolutePath());
        EXPECT_TRUE(image.save(path, "PNG"));
        return path;
    }

    //! A story with one slide per narration length (picture slides, or segments for a podcast).
    QString saveSample(const QString& title, StoryType type, const QList<int>& narrations, const QDateTime& when)
    {
        Story story(home.path(), &importer);
        story.setTitle(title);
        story.setType(int(type));
        for (int seconds : narrations) {
            auto slide = std::make_unique<Slide>(story);
            if (type == StoryType::Podcast)
                slide->setKind(SlideKind::Segment);
            else
                slide->setSourcePicturePath(samplePicture());
            Slide& added = *slide;
            EXPECT_TRUE(story.add(std::move(slide)));
            if (seconds > 0) {
                added.setNarrationLength(seconds);
                added.setHasNarration(true);
                QFile wav(added.narrationWavPath());
                EXPECT_TRUE(wav.open(QIODevice::WriteOnly) && wav.write("RIFF narration") > 0);
            }
        }
        story.waitForImports();
        const SaveResult saved = saveStory(story, FixedClock(when));
        EXPECT_TRUE(saved.ok) << saved.error.toStdString();
        return saved.storyFile;
    }

    std::unique_ptr<StoryLibraryDialog> makeDialog()
    {
        return std::make_unique<StoryLibraryDialog>(*current, saveFolder(), switches, skin, &owner);
    }

    static void show(QDialog& dialog)
    {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }

    static QTreeWidget* list(const QDialog& dialog) { return dialog.findChild<QTreeWidget*>("libraryList"); }

    static QPushButton* button(const QDialog& dialog, const char* name) { return dialog.findChild<QPushButton*>(name); }

    //! The texts of one column, top to bottom.
    static QStringList column(const QDialog& dialog, int c)
    {
        QStringList texts;
        const QTreeWidget* l = list(dialog);
        for (int i = 0; i < l->topLevelItemCount(); ++i)
            texts << l->topLevelItem(i)->text(c);
        return texts;
    }

    static QStringList titles(const QDialog& dialog) { return column(dialog, StoryLibrary::Title); }

    static void clickHeader(const QDialog& dialog, int c)
    {
        QHeaderView* header = list(dialog)->header();
        const QPoint at(header->sectionViewportPosition(c) + header->sectionSize(c) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    static QPoint rowCentre(const QDialog& dialog, const QString& title)
    {
        QTreeWidget* l = list(dialog);
        const QList<QTreeWidgetItem*> found = l->findItems(title, Qt::MatchExactly, StoryLibrary::Title);
        EXPECT_EQ(found.size(), 1) << title.toStdString();
        if (found.isEmpty())
            return QPoint();
        // On the title itself: typing searches the column clicked.
        const QHeaderView* header = l->header();
        const int x =
            header->sectionViewportPosition(StoryLibrary::Title) + header->sectionSize(StoryLibrary::Title) / 2;
        return QPoint(x, l->visualItemRect(found.first()).center().y());
    }

    static void clickRow(const QDialog& dialog, const QString& title)
    {
        QTest::mouseClick(list(dialog)->viewport(), Qt::LeftButton, {}, rowCentre(dialog, title));
    }

    //! Answers the delete question once it is open; records whether it was asked and its texts.
    struct Question
    {
        bool asked = false;
        bool looked = false;
        bool noIsDefault = false;
        QString caption;
        QString text;
    };
    //! Answers by running answer on the open question box.
    static void answerQuestion(Question& question, std::function<void(QMessageBox&)> answer)
    {
        QTimer::singleShot(0, [&question, answer] {
            question.looked = true;
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            question.asked = true;
            question.caption = box->windowTitle();
            question.text = box->text();
            question.noIsDefault = box->defaultButton() && box->defaultButton() == box->button(QMessageBox::No);
            answer(*box);
        });
    }
    static void answerQuestion(Question& question, QMessageBox::StandardButton button)
    {
        answerQuestion(question, [button](QMessageBox& box) { box.button(button)->click(); });
    }
    //! Answers with a key pressed on the question, as the user would.
    static void answerQuestionWithKey(Question& question, Qt::Key key)
    {
        answerQuestion(question, [key](QMessageBox& box) { QTest::keyClick(&box, key); });
    }

    static QString deleteQuestionText(const QString& title, const QString& date)
    {
        return "Are you sure you want to permanently\nremove the saved Pictorelle?\n\n" + title + "\n" + date;
    }
};

TEST_F(LibraryDialogFixture, GivenSavedStoriesWhenTheLibraryFirstOpensThenItListsThemNewestFirst)
{
    auto dialog = makeDialog();
    EXPECT_EQ(dialog->objectName(), "LOAD_BOX");
    EXPECT_EQ(dialog->windowTitle(), "Load Saved Pictorelle");
    EXPECT_EQ(button(*dialog, "loadButton")->text(), "Load");
    EXPECT_TRUE(button(*dialog, "loadButton")->isDefault());
    EXPECT_EQ(button(*dialog, "deleteButton")->text(), "Delete");
    EXPECT_EQ(button(*dialog, "cancelButton")->text(), "Cancel");

    QTreeWidget* l = list(*dialog);
    ASSERT_NE(l, nullptr);
    const QTreeWidgetItem* header = l->headerItem();
    EXPECT_EQ(l->columnCount(), 5);
    const QStringList headers{"Type", "Title", "Slides", "Length", "Date"};
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(header->text(c), headers[c]);
    EXPECT_FALSE(l->rootIsDecorated());
    EXPECT_FALSE(l->isSortingEnabled());
    EXPECT_EQ(l->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(l->selectionBehavior(), QAbstractItemView::SelectRows);

    EXPECT_EQ(titles(*dialog), (QStringList{"Today", "alpha", "No title"}));
    EXPECT_EQ(column(*dialog, StoryLibrary::Type), (QStringList{"Pictorelle", "Pictorelle", "Podcast"}));
    EXPECT_EQ(column(*dialog, StoryLibrary::Slides), (QStringList{"3", "2", "1"}));
    EXPECT_EQ(column(*dialog, StoryLibrary::Length), (QStringList{"2:05", "0:00", "10:00"}));
    EXPECT_EQ(column(*dialog, StoryLibrary::Date),
              (QStringList{"Dec 07 2026 09:05AM", "Dec 07 2026 08:05AM", "Dec 06 2026 06:29PM"}));

    show(*dialog);
    // Centred over the owner, give or take the window frame, as far as the screen lets all
    // of it be seen.
    const QRect area = owner.screen()->availableGeometry();
    const QRect frame = dialog->frameGeometry();
    EXPECT_TRUE(area.contains(frame));
    const auto within = [](int centre, int low, int high, int size) {
        return std::clamp(centre, low + size / 2, high - size / 2);
    };
    EXPECT_NEAR(dialog->geometry().center().x(),
                within(owner.geometry().center().x(), area.left(), area.right(), frame.width()), 4);
    EXPECT_NEAR(dialog->geometry().center().y(),
                within(owner.geometry().center().y(), area.top(), area.bottom(), frame.height()), 4);
    EXPECT_EQ(dialog->size(), QSize(StoryLibraryDialog::DefaultWidth, StoryLibraryDialog::DefaultHeight));
}

TEST_F(LibraryDialogFixture, GivenTheLibraryWhenHeadersAreClickedThenEachClickFlipsThatColumnsDirection)
{
    auto dialog = makeDialog();
    show(*dialog);
    clickHeader(*dialog, StoryLibrary::Date);
    EXPECT_EQ(titles(*dialog), (QStringList{"No title", "alpha", "Today"}));
    clickHeader(*dialog, StoryLibrary::Title); // the first click sorts descending, by code unit
    EXPECT_EQ(titles(*dialog), (QStringList{"alpha", "Today", "No title"}));
    clickHeader(*dialog, StoryLibrary::Title);
    EXPECT_EQ(titles(*dialog), (QStringList{"No title", "Today", "alpha"}));
    clickHeader(*dialog, StoryLibrary::Slides);
    EXPECT_EQ(column(*dialog, StoryLibrary::Slides), (QStringList{"3", "2", "1"}));
    clickHeader(*dialog, StoryLibrary::Length);
    EXPECT_EQ(column(*dialog, StoryLibrary::Length), (QStringList{"10:00", "2:05", "0:00"}));
    clickHeader(*dialog, StoryLibrary::Length);
    EXPECT_EQ(column(*dialog, StoryLibrary::Length), (QStringList{"0:00", "2:05", "10:00"}));
    clickHeader(*dialog, StoryLibrary::Type);
    EXPECT_EQ(column(*dialog, StoryLibrary::Type).first(), "Podcast");

    // The selection stays with its story when the rows move.
    clickRow(*dialog, "Today");
    clickHeader(*dialog, StoryLibrary::Date);
    EXPECT_EQ(titles(*dialog), (QStringList{"Today", "alpha", "No title"}));
    ASSERT_EQ(list(*dialog)->selectedItems().size(), 1);
    EXPECT_EQ(list(*dialog)->selectedItems().first()->text(StoryLibrary::Title), "Today");
}

TEST_F(LibraryDialogFixture, GivenHeaderClicksInOneOpeningWhenTheLibraryOpensAgainThenTheDirectionsAreKept)
{
    {
        auto first = makeDialog();
        show(*first);
        clickHeader(*first, StoryLibrary::Title);
        EXPECT_EQ(titles(*first), (QStringList{"alpha", "Today", "No title"}));
        clickHeader(*first, StoryLibrary::Date); // now ascending
        EXPECT_EQ(titles(*first), (QStringList{"No title", "alpha", "Today"}));
        QTest::mouseClick(button(*first, "cancelButton"), Qt::LeftButton);
        EXPECT_FALSE(first->isVisible());
        EXPECT_EQ(first->result(), QDialog::Rejected);
    }
    {
        // Opens in the direction the last Date click left, then Date is descending again.
        auto second = makeDialog();
        EXPECT_EQ(titles(*second), (QStringList{"No title", "alpha", "Today"}));
        show(*second);
        clickHeader(*second, StoryLibrary::Title); // the second click in the run: ascending
        EXPECT_EQ(titles(*second), (QStringList{"No title", "Today", "alpha"}));
    }
    auto third = makeDialog();
    EXPECT_EQ(titles(*third), (QStringList{"Today", "alpha", "No title"}));
}

TEST_F(LibraryDialogFixture, GivenASelectedRowWhenDeleteIsPressedAndConfirmedThenItsFolderAndRowGo)
{
    auto dialog = makeDialog();
    show(*dialog);
    clickRow(*dialog, "alpha");
    QTreeWidget* l = list(*dialog);

    // Other keys leave the row alone and ask nothing.
    for (Qt::Key key : {Qt::Key_Backspace, Qt::Key_D, Qt::Key_Space}) {
        Question question;
        answerQuestion(question, QMessageBox::Yes);
        QTest::keyClick(l, key);
        EXPECT_EVENTUALLY(question.looked);
        EXPECT_FALSE(question.asked) << key;
    }
    EXPECT_EQ(titles(*dialog), (QStringList{"Today", "alpha", "No title"}));

    Question cancelled;
    answerQuestion(cancelled, QMessageBox::No);
    QTest::keyClick(l, Qt::Key_Delete);
    EXPECT_TRUE(cancelled.asked);
    EXPECT_TRUE(QFileInfo::exists(alphaFile));
    EXPECT_EQ(titles(*dialog), (QStringList{"Today", "alpha", "No title"}));

    Question confirmed;
    answerQuestion(confirmed, QMessageBox::Yes);
    QTest::keyClick(l, Qt::Key_Delete);
    EXPECT_TRUE(confirmed.asked);
    EXPECT_EQ(confirmed.caption, "Delete Pictorelle");
    EXPECT_EQ(confirmed.text, deleteQuestionText("alpha", "Dec 07 2026 08:05AM"));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(alphaFile).absolutePath()));
    EXPECT_TRUE(QFileInfo::exists(todayFile));
    EXPECT_TRUE(QFileInfo::exists(podcastFile));
    EXPECT_EQ(titles(*dialog), (QStringList{"Today", "No title"}));
    EXPECT_EQ(column(*dialog, StoryLibrary::Length), (QStringList{"2:05", "10:00"}));
    EXPECT_TRUE(dialog->isVisible());

    // The Delete button asks the same question; the next opening lists what is left on disk.
    clickRow(*dialog, "No title");
    Question byButton;
    answerQuestion(byButton, QMessageBox::Yes);
    QTest::mouseClick(button(*dialog, "deleteButton"), Qt::LeftButton);
    EXPECT_TRUE(byButton.asked);
    EXPECT_EQ(byButton.text, deleteQuestionText("No title", "Dec 06 2026 06:29PM"));
    EXPECT_EQ(titles(*dialog), QStringList{"Today"});
    EXPECT_EQ(titles(*makeDialog()), QStringList{"Today"});
}

TEST_F(LibraryDialogFixture, GivenALetterTypedInTheListWhenDeleteIsPressedThenTheQuestionNamesTheNowSelectedStory)
{
    auto dialog = makeDialog();
    show(*dialog);
    clickRow(*dialog, "alpha");
    QTreeWidget* l = list(*dialog);
    QTest::keyClicks(l, "t"); // the list jumps to the first title starting with the letter
    ASSERT_EQ(l->selectedItems().size(), 1);
    ASSERT_EQ(l->selectedItems().first()->text(StoryLibrary::Title), "Today");

    // Enter and Escape on the question keep the story: No is the default answer.
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        Question question;
        answerQuestionWithKey(question, key);
        QTest::keyClick(l, Qt::Key_Delete);
        ASSERT_TRUE(question.asked) << key;
        EXPECT_EQ(question.caption, "Delete Pictorelle");
        EXPECT_EQ(question.text, deleteQuestionText("Today", "Dec 07 2026 09:05AM"));
        EXPECT_TRUE(question.noIsDefault);
        EXPECT_TRUE(QFileInfo::exists(todayFile)) << key;
        EXPECT_EQ(titles(*dialog), (QStringList{"Today", "alpha", "No title"}));
    }

    // Yes deletes the story the question named, even when the selection moved meanwhile.
    Question question;
    answerQuestion(question, [&](QMessageBox& box) {
        l->setCurrentItem(l->findItems("alpha", Qt::MatchExactly, StoryLibrary::Title).first());
        box.button(QMessageBox::Yes)->click();
    });
    QTest::keyClick(l, Qt::Key_Delete);
    ASSERT_TRUE(question.asked);
    EXPECT_EQ(question.text, deleteQuestionText("Today", "Dec 07 2026 09:05AM"));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(todayFile).absolutePath()));
    EXPECT_TRUE(QFileInfo::exists(alphaFile));
    EXPECT_TRUE(QFileInfo::exists(podcastFile));
    EXPECT_EQ(titles(*dialog), (QStringList{"alpha", "No title"}));
    EXPECT_EQ(QDir(saveFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 2);
}

TEST_F(LibraryDialogFixture, GivenNoSelectedRowWhenLoadIsPressedThenTheLibraryClosesAndTheStoryStays)
{
    auto dialog = makeDialog();
    show(*dialog);

    Question question;
    answerQuestion(question, QMessageBox::Yes);
    QTest::keyClick(list(*dialog), Qt::Key_Delete);
    EXPECT_EVENTUALLY(question.looked);
    EXPECT_FALSE(question.asked); // nothing selected: nothing to ask about
    EXPECT_EQ(titles(*dialog).size(), 3);

    QTest::mouseClick(button(*dialog, "loadButton"), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_FALSE(dialog->storyLoaded());
    EXPECT_EQ(current->title(), "Current");
    EXPECT_EQ(current->storyFilePath(), "");
}

TEST_F(LibraryDialogFixture, GivenABusyStoryWhenLoadIsPressedThenNothingIsLoadedAndTheLibraryCloses)
{
    current->setMp3Position(0);
    auto dialog = makeDialog();
    show(*dialog);
    clickRow(*dialog, "Today");
    EXPECT_EQ(dialog->library().pathToLoad(0, *current), "");
    QTest::mouseClick(button(*dialog, "loadButton"), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(dialog->storyLoaded());
    EXPECT_EQ(current->title(), "Current");
    EXPECT_EQ(current->mp3Position(), 0);
    current->setMp3Position(-1);
}

TEST_F(LibraryDialogFixture, GivenAStoryFileGoneSinceTheListWasReadWhenItIsLoadedThenTheReportSaysSo)
{
    auto dialog = makeDialog();
    show(*dialog);
    clickRow(*dialog, "Today");
    ASSERT_TRUE(QFile::remove(todayFile));
    QTest::keyClick(list(*dialog), Qt::Key_Return);

    ASSERT_TRUE(dialog->storyLoaded());
    EXPECT_FALSE(dialog->report().opened);
    EXPECT_EQ(dialog->report().warnings,
              QStringList{"The story file " + QDir::toNativeSeparators(todayFile) + " could not be opened."});
    EXPECT_EQ(current->title(), ""); // the story was reset before the file was read
    EXPECT_EQ(current->count(), 0);
}

TEST_F(LibraryDialogFixture, GivenARowWhenItIsDoubleClickedThenTheLoadingBoxLoadsItBeforeClosing)
{
    auto dialog = makeDialog();
    show(*dialog);
    PaintWatcher watcher(*current);
    QString boxName;
    QString boxText;
    QString boxCaption;
    bool boxVisible = false;
    QPoint boxCentre;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<LoadingBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        boxName = box->objectName();
        boxText = box->findChild<QLabel*>("loadingText")->text();
        boxCaption = box->windowTitle();
        boxVisible = box->isVisible();
        boxCentre = box->geometry().center();
        // Escape does not end the box before its work is done.
        QTest::keyClick(box, Qt::Key_Escape);
    });
    // A double click as the window system delivers it: press, release, double click, release.
    const QPoint today = rowCentre(*dialog, "Today");
    QTest::mouseClick(list(*dialog)->viewport(), Qt::LeftButton, {}, today);
    QTest::mouseDClick(list(*dialog)->viewport(), Qt::LeftButton, {}, today);
    QTest::mouseRelease(list(*dialog)->viewport(), Qt::LeftButton, {}, today);

    EXPECT_EQ(boxName, "LOADING_BOX");
    EXPECT_EQ(boxText, "Loading");
    EXPECT_EQ(boxCaption, "");
    EXPECT_TRUE(boxVisible);
    EXPECT_NEAR(boxCentre.x(), dialog->geometry().center().x(), 1);
    EXPECT_NEAR(boxCentre.y(), dialog->geometry().center().y(), 1);
    ASSERT_FALSE(watcher.titlesWhenPainted.isEmpty());
    EXPECT_EQ(watcher.titlesWhenPainted.first(), "Current"); // painted before the story was replaced

    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    ASSERT_TRUE(dialog->storyLoaded());
    EXPECT_TRUE(dialog->report().opened);
    EXPECT_EQ(dialog->report().slidesAdded, 3);
    EXPECT_TRUE(dialog->report().warnings.isEmpty()) << dialog->report().warnings.join("; ").toStdString();

    EXPECT_EQ(current->title(), "Today");
    EXPECT_EQ(current->storyFilePath(), todayFile);
    ASSERT_EQ(current->count(), 3);
    EXPECT_EQ(current->totalLength(), 125);
    EXPECT_TRUE(current->slideAt(0)->hasNarration());
    EXPECT_EQ(current->slideAt(2)->narrationLength(), 5);
    // The pictures import after the box has gone, while the window stays usable.
    EXPECT_EVENTUALLY((current->runningImports()) == (0));
    for (int i = 0; i < current->count(); ++i) {
        EXPECT_TRUE(current->slideAt(i)->isReady()) << i;
        EXPECT_FALSE(current->slideAt(i)->picture().isNull()) << i;
    }
}

TEST_F(LibraryDialogFixture, GivenASelectedRowWhenEnterIsPressedThenItIsLoaded)
{
    std::optional<LoadReport> report;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<StoryLibraryDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        clickRow(*dialog, "No title");
        QTest::keyClick(list(*dialog), Qt::Key_Return);
    });
    report = StoryLibraryDialog::run(*current, saveFolder(), switches, skin, &owner);

    ASSERT_TRUE(report.has_value());
    EXPECT_TRUE(report->opened);
    EXPECT_TRUE(report->warnings.isEmpty()) << report->warnings.join("; ").toStdString();
    EXPECT_EQ(current->title(), "");
    EXPECT_TRUE(current->isPodcast());
    ASSERT_EQ(current->count(), 1);
    EXPECT_EQ(current->slideAt(0)->kind(), SlideKind::Segment);
    EXPECT_EQ(current->totalLength(), 600);

    // Cancel gives no report and leaves the loaded story alone.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<StoryLibraryDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        clickRow(*dialog, "Today");
        QTest::mouseClick(button(*dialog, "cancelButton"), Qt::LeftButton);
    });
    EXPECT_FALSE(StoryLibraryDialog::run(*current, saveFolder(), switches, skin, &owner).has_value());
    EXPECT_TRUE(current->isPodcast());
}

TEST_F(LibraryDialogFixture, GivenTheLoadedStorysFolderDeletedWhenTheStoryIsSavedThenANewFolderHoldsIt)
{
    {
        auto dialog = makeDialog();
        show(*dialog);
        clickRow(*dialog, "Today");
        QTest::keyClick(list(*dialog), Qt::Key_Enter);
        ASSERT_TRUE(dialog->storyLoaded());
    }
    EXPECT_EVENTUALLY((current->runningImports()) == (0));
    ASSERT_EQ(current->storyFilePath(), todayFile);

    auto dialog = makeDialog();
    show(*dialog);
    clickRow(*dialog, "Today");
    Question question;
    answerQuestion(question, QMessageBox::Yes);
    QTest::keyClick(list(*dialog), Qt::Key_Delete);
    ASSERT_TRUE(question.asked);
    const QString oldFolder = QFileInfo(todayFile).absolutePath();
    ASSERT_FALSE(QFileInfo::exists(oldFolder));

    const SaveResult saved = saveStory(*current, FixedClock(kTomorrow));
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_EQ(saved.storyFile, saveFolder() + "Dec.08.2026_11.00AM-00/Dec.08.2026_11.00AM-00.sld");
    EXPECT_EQ(current->storyFilePath(), saved.storyFile);
    EXPECT_FALSE(QFileInfo::exists(oldFolder));
    EXPECT_EQ(QDir(QFileInfo(saved.storyFile).absolutePath()).entryList(QDir::Files),
              (QStringList{"0.jpg", "0.wav", "1.jpg", "1.wav", "2.jpg", "2.wav", "Dec.08.2026_11.00AM-00.sld"}));

    auto again = makeDialog();
    EXPECT_EQ(titles(*again), (QStringList{"Today", "alpha", "No title"}));
    EXPECT_EQ(column(*again, StoryLibrary::Date).first(), "Dec 08 2026 11:00AM");
}

} // namespace

TEST_F(LibraryDialogFixture, GivenSavedStoriesWhenTheLibraryShowsThenTypeAndDateAreWhollyVisibleAndTheTitleTakesTheRest)
{
    auto dialog = makeDialog();
    show(*dialog);
    QTreeWidget* l = list(*dialog);
    ASSERT_NE(l, nullptr);
    const QHeaderView* h = l->header();
    const QFontMetrics itemMetrics(l->font());
    const QFontMetrics headerMetrics(h->font());
    for (const int c : {StoryLibrary::Type, StoryLibrary::Slides, StoryLibrary::Length, StoryLibrary::Date}) {
        const QStringList texts = column(*dialog, c);
        ASSERT_FALSE(texts.isEmpty());
        int widest = headerMetrics.horizontalAdvance(l->headerItem()->text(c));
        for (const QString& text : texts)
            widest = std::max(widest, itemMetrics.horizontalAdvance(text));
        EXPECT_GE(h->sectionSize(c), widest) << c;
        EXPECT_GE(h->sectionSizeHint(c), headerMetrics.horizontalAdvance(l->headerItem()->text(c))) << c;
    }
    int sum = 0;
    for (int c = 0; c < h->count(); ++c)
        sum += h->sectionSize(c);
    EXPECT_EQ(sum, l->viewport()->width()) << "the title stretches over the width the others leave";
    EXPECT_GT(h->sectionSize(StoryLibrary::Title), h->sectionSize(StoryLibrary::Slides));

    // Wider: only the title grows.
    const int typeWidth = h->sectionSize(StoryLibrary::Type);
    const int titleWidth = h->sectionSize(StoryLibrary::Title);
    dialog->resize(dialog->width() + 120, dialog->height());
    QCoreApplication::processEvents();
    EXPECT_EQ(h->sectionSize(StoryLibrary::Type), typeWidth);
    EXPECT_EQ(h->sectionSize(StoryLibrary::Title), titleWidth + 120);
}
