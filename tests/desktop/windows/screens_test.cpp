#include "mainwindowfixture.h"

#include "desktop/dialogs/aboutdialog.h"
#include "desktop/dialogs/storylibrarydialog.h"
#include "desktop/widgets/skinnedbutton.h"
#include "desktop/widgets/statusdisplay.h"
#include "desktop/widgets/thumbnailstrip.h"
#include "desktop/windows/mainlayout.h"
#include "shell/programfolder.h"
#include "story/slide.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTreeWidget>

#include <algorithm>

namespace {

QScreen* screenNamed(const char* name)
{
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->name() == QLatin1String(name))
            return screen;
    }
    return nullptr;
}

//! Where a widget of the window shows, in the window's coordinates.
QRect placeIn(const QWidget& window, const QWidget& widget)
{
    return QRect(widget.mapTo(&window, QPoint(0, 0)), widget.size());
}

} // namespace

//! The main window on one of the screens of the test desktop (see screensmain.cpp).
class ScreensTest : public MainWindowTest
{
protected:
    //! Shows the window and moves it onto the screen called name; false when it did not get there.
    bool showOn(const char* name, QPoint offset = QPoint(20, 20))
    {
        QScreen* screen = screenNamed(name);
        if (!screen)
            return false;
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return false;
        window->move(screen->availableGeometry().topLeft() + offset);
        // The move, the fit that follows it and the geometry that fit gives.
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        return window->screen() == screen;
    }

    QScrollArea* scroller() const { return window->findChild<QScrollArea*>(QStringLiteral("clientScroller")); }

    //! The part of the client the window shows, in the window's coordinates.
    QRect visibleClient() const { return placeIn(*window, *scroller()->viewport()); }

    QList<QWidget*> audioRow() const
    {
        return {window->button(MainWindow::RecordCommand),   window->button(MainWindow::PlayCommand),
                window->button(MainWindow::StopCommand),     window->button(MainWindow::CueCards),
                window->button(MainWindow::ImportNarration), window->timeDisplay()};
    }
};

TEST_F(ScreensTest, GivenABigMonitorThenTheWindowKeepsItsSizeAndCannotBeMadeSmallerThan800By780)
{
    ASSERT_TRUE(showOn("monitor"));
    window->resize(1200, 900);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->size(), QSize(1200, 900)) << "a window that fits is left as it is";
    EXPECT_EQ(window->minimumSize(), QSize(800, 780));
    window->resize(640, 480);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->size(), QSize(800, 780));
    EXPECT_FALSE(scroller()->verticalScrollBar()->isVisible());
    EXPECT_FALSE(scroller()->horizontalScrollBar()->isVisible());
    EXPECT_EQ(window->canvas()->size(), scroller()->viewport()->size()) << "the client fills the window";
}

TEST_F(ScreensTest, GivenALaptopScreenThenTheWholeWindowIsOnItWithTheAudioRowInView)
{
    // Last used on the big monitor at a size the laptop cannot hold.
    ASSERT_TRUE(showOn("monitor"));
    window->resize(1200, 900);
    QCoreApplication::processEvents();
    ASSERT_TRUE(showOn("laptop", QPoint(300, 200)));

    const QRect area = screenNamed("laptop")->availableGeometry();
    EXPECT_TRUE(area.contains(window->frameGeometry()))
        << window->frameGeometry().y() << "+" << window->frameGeometry().height();
    EXPECT_LE(window->minimumHeight(), area.height());
    EXPECT_FALSE(scroller()->verticalScrollBar()->isVisible()) << "the layout fits without scrolling";
    const QRect shown = visibleClient();
    for (QWidget* control : audioRow()) {
        ASSERT_NE(control, nullptr);
        EXPECT_TRUE(control->isVisible()) << control->accessibleName().toStdString();
        EXPECT_TRUE(shown.contains(placeIn(*window, *control))) << control->accessibleName().toStdString();
    }
    // The slide panel stays clear of the story panel above it.
    const QWidget* slides = window->findChild<QWidget*>(QStringLiteral("slidesValue"));
    ASSERT_NE(slides, nullptr);
    EXPECT_GT(window->button(MainWindow::EditSlide)->geometry().top(), slides->geometry().bottom());

    // Made small by hand, it still keeps every control on the screen.
    window->resize(100, 100);
    QCoreApplication::processEvents();
    EXPECT_GE(window->width(), window->minimumWidth());
    EXPECT_TRUE(area.contains(window->frameGeometry()));
}

TEST_F(ScreensTest, GivenANetbookScreenThenTheClientScrollsAndTabBringsRecordIntoView)
{
    ASSERT_TRUE(showOn("netbook", QPoint(0, 0)));
    const QRect area = screenNamed("netbook")->availableGeometry();
    EXPECT_TRUE(area.contains(window->frameGeometry()));
    // Too short even for the compact layout: the client keeps its smallest size and scrolls.
    EXPECT_EQ(window->canvas()->height(), MainLayoutMinimum.height());
    EXPECT_TRUE(scroller()->verticalScrollBar()->isVisible());
    SkinnedButton* record = window->button(MainWindow::RecordCommand);
    ASSERT_FALSE(visibleClient().contains(placeIn(*window, *record))) << "scrolled to the top first";

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->strip()->setFocus(Qt::OtherFocusReason);
    for (int i = 0; i < 40 && QApplication::focusWidget() != record; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(QApplication::focusWidget(), record);
    EXPECT_TRUE(visibleClient().contains(placeIn(*window, *record)));

    // Arrow and page keys no control takes still reach the window, which steps through the
    // slides with them, instead of scrolling the client.
    addPictures(2);
    window->story().select(0);
    const int scrolled = scroller()->verticalScrollBar()->value();
    for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Up, Qt::Key_PageUp}) {
        QTest::keyClick(window->canvas(), key);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(window->story().currentIndex(), 1);
    EXPECT_EQ(scroller()->verticalScrollBar()->value(), scrolled);
}

TEST_F(ScreensTest, GivenAScreenAtRatioTwoThenButtonFacesHaveTwiceThePixelsAndFollowTheWindowBack)
{
    ASSERT_TRUE(showOn("monitor"));
    SkinnedButton* record = window->button(MainWindow::RecordCommand);
    SkinnedButton* logo = window->button(MainWindow::LogoCommand);
    window->grab();
    EXPECT_EQ(record->currentFace().devicePixelRatio(), 1.0);
    EXPECT_EQ(record->currentFace().size(), QSize(47, 26));

    ASSERT_TRUE(showOn("double"));
    ASSERT_EQ(window->devicePixelRatioF(), 2.0);
    const QImage shot = window->grab().toImage();
    EXPECT_EQ(shot.devicePixelRatio(), 2.0);
    EXPECT_EQ(record->currentFace().devicePixelRatio(), 2.0);
    EXPECT_EQ(record->currentFace().size(), QSize(94, 52));
    EXPECT_EQ(logo->currentFace().size(), QSize(298, 62));
    // The paused recording's faces follow as well.
    EXPECT_EQ(record->faces(SkinnedButton::FaceSet::Second).normal.devicePixelRatio(), 2.0);
    // Drawn pixel for pixel: the face's device pixels are the window's.
    const QPoint at = record->mapTo(window.get(), QPoint(0, 0)) * 2;
    const QImage face = record->currentFace().toImage().convertToFormat(QImage::Format_ARGB32);
    int same = 0;
    int opaque = 0;
    for (int y = 0; y < face.height(); ++y)
        for (int x = 0; x < face.width(); ++x) {
            if (qAlpha(face.pixel(x, y)) != 255)
                continue;
            ++opaque;
            same += shot.pixel(at + QPoint(x, y)) == face.pixel(x, y);
        }
    ASSERT_GT(opaque, 0);
    EXPECT_GT(same, opaque * 9 / 10);

    ASSERT_TRUE(showOn("monitor"));
    window->grab();
    EXPECT_EQ(record->currentFace().devicePixelRatio(), 1.0);
    EXPECT_EQ(record->currentFace().size(), QSize(47, 26));
}

TEST_F(ScreensTest, GivenAScreenAtRatioTwoThenThumbnailsAreSmoothedUpNotBlownUpPixelByPixel)
{
    addPictures(1);
    // One-pixel black and white stripes: doubled pixel by pixel they stay black and white;
    // smoothed, every device pixel is a mix of two stripes.
    QImage stripes(75, 75, QImage::Format_RGB32);
    for (int x = 0; x < 75; ++x)
        for (int y = 0; y < 75; ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    window->story().slideAt(0)->setThumbnail(stripes);
    ASSERT_TRUE(showOn("double"));
    showWithClient(1000, 800);
    ASSERT_EQ(window->strip()->devicePixelRatioF(), 2.0);

    const QImage shot = window->strip()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.devicePixelRatio(), 2.0);
    // Well inside the first thumbnail (20, 20, 75, 75), clear of the selection frame.
    const int row = 57 * 2;
    int samples = 0;
    int mixed = 0;
    for (int x = 30 * 2; x < 80 * 2; ++x) {
        const int grey = qGray(shot.pixel(x, row));
        ++samples;
        mixed += grey > 30 && grey < 225;
    }
    EXPECT_EQ(mixed, samples);
}

TEST_F(ScreensTest, GivenAScreenAtRatioTwoThenTheLibraryShowsTheWholeTypeAndDate)
{
    addPictures(1);
    window->story().setTitle(QStringLiteral("A title long enough to be cut where the columns are narrow"));
    window->command(MainWindow::SaveStory);
    window->command(MainWindow::NewPodcast);
    window->story().setTitle(QStringLiteral("Episode"));
    window->command(MainWindow::SaveStory);
    ASSERT_TRUE(showOn("double"));

    StoryLibrary::SortSwitches switches;
    StoryLibraryDialog library(window->story(), programfolder::saveFolder(home.path()), switches, window->skin(),
                               window.get());
    library.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&library));
    ASSERT_EQ(library.devicePixelRatioF(), 2.0);
    const auto* list = library.findChild<QTreeWidget*>(QStringLiteral("libraryList"));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    const QFontMetrics metrics(list->font());
    for (const int c : {StoryLibrary::Type, StoryLibrary::Date}) {
        int widest = 0;
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            widest = std::max(widest, metrics.horizontalAdvance(list->topLevelItem(row)->text(c)));
        EXPECT_GE(list->header()->sectionSize(c), widest) << c;
    }
    // The title takes what the others leave, without a scroll bar.
    int sum = 0;
    for (int c = 0; c < list->header()->count(); ++c)
        sum += list->header()->sectionSize(c);
    EXPECT_EQ(sum, list->viewport()->width());
    EXPECT_GT(list->header()->sectionSize(StoryLibrary::Title), 0);
}

TEST_F(ScreensTest, GivenAScreenAtRatioTwoThenTheAboutBoxShowsItsPicturesAtTwiceThePixels)
{
    ASSERT_TRUE(showOn("double"));
    AboutDialog about(window->skin(), DialogActions{}, window.get());
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    ASSERT_EQ(about.devicePixelRatioF(), 2.0);
    const auto* icon = about.findChild<QLabel*>(QStringLiteral("programIcon"));
    const auto* link = about.findChild<QLabel*>(QStringLiteral("webLink"));
    ASSERT_TRUE(icon && link);
    EXPECT_EQ(icon->pixmap().devicePixelRatio(), 2.0);
    EXPECT_EQ(icon->pixmap().size(), QSize(64, 64));
    EXPECT_EQ(link->pixmap().size(), QSize(378, 40));
    EXPECT_EQ(link->size(), QSize(189, 20)) << "the same place on the screen as at ratio 1";
}
