// File > Export Video… (Export Audio… for a podcast) in the main window: the file question,
// the export dialog's caption switch, its progress and Cancel, and the message at the end.
#include "mainwindowfixture.h"
#include "modalhelper.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>

namespace {

QAction* menuAction(const MainWindow& window, int id)
{
    for (QAction* action : window.menuBar()->findChildren<QAction*>()) {
        if (action->data().toInt() == id && !action->menu())
            return action;
    }
    return nullptr;
}

//! A narration (22050 Hz, 16-bit, mono) of a 440 Hz tone.
QByteArray toneWave(double seconds)
{
    const int frames = int(std::lround(seconds * 22050));
    QByteArray wave(44 + frames * 2, '\0');
    char* p = wave.data();
    std::memcpy(p, "RIFF", 4);
    qToLittleEndian<quint32>(quint32(36 + frames * 2), p + 4);
    std::memcpy(p + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, p + 16);
    qToLittleEndian<quint16>(1, p + 20);
    qToLittleEndian<quint16>(1, p + 22);
    qToLittleEndian<quint32>(22050, p + 24);
    qToLittleEndian<quint32>(44100, p + 28);
    qToLittleEndian<quint16>(2, p + 32);
    qToLittleEndian<quint16>(16, p + 34);
    std::memcpy(p + 36, "data", 4);
    qToLittleEndian<quint32>(quint32(frames * 2), p + 40);
    for (int i = 0; i < frames; ++i)
        qToLittleEndian<qint16>(qint16(std::lround(8000 * std::sin(2 * M_PI * 440 * i / 22050.0))), p + 44 + 2 * i);
    return wave;
}

//! What ffprobe says of a file, as "key=value" lines of its streams and format.
QString probed(const QString& path)
{
    QProcess p;
    p.start("ffprobe", {"-v", "error", "-show_entries", "stream=codec_name,width,height:format=duration", "-of",
                        "default=noprint_wrappers=1", path});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

//! Pixels brighter than the picture (text) in the bottom band of the frame shown at seconds.
int brightPixelsAtTheBottom(const QString& path, double seconds)
{
    QProcess p;
    p.start("ffmpeg", {"-v", "error", "-ss", QString::number(seconds), "-i", path, "-frames:v", "1", "-f", "rawvideo",
                       "-pix_fmt", "gray", "-"});
    p.waitForFinished(60000);
    const QByteArray gray = p.readAllStandardOutput();
    if (gray.size() != 1280 * 720)
        return -1;
    int bright = 0;
    for (int y = 650; y < 720; ++y) {
        for (int x = 400; x < 880; ++x)
            bright += quint8(gray[y * 1280 + x]) > 200;
    }
    return bright;
}

class MainWindowExportTest : public MainWindowTest
{
protected:
    void narrate(int index, double seconds)
    {
        Slide& slide = *window->story().slideAt(index);
        QFile file(slide.narrationWavPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(toneWave(seconds));
        file.close();
        slide.setHasNarration(true);
        slide.setNarrationLength(int(std::ceil(seconds)));
    }

    QString outFolder()
    {
        QDir().mkpath(home.file("out"));
        return home.file("out/");
    }
};

TEST_F(MainWindowExportTest, ExportVideoWritesTheVideoTheAuthorNamedWithCaptionsAndSaysWhereItIs)
{
    addPictures(2);
    narrate(0, 6.0);
    window->story().slideAt(0)->setCaption("Our first day");
    prompter.saveFileToChoose = outFolder() + "holiday";
    QList<int> barValues;
    bool captionsOffered = false;
    whenModalOpens([&](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), "EXPORT_BOX");
        auto* captions = dialog.findChild<QCheckBox*>("captions");
        auto* start = dialog.findChild<QPushButton*>("start");
        auto* bar = dialog.findChild<QProgressBar*>("progress");
        ASSERT_TRUE(captions && start && bar);
        captionsOffered = captions->isVisible() && !captions->isChecked();
        QTest::mouseClick(captions, Qt::LeftButton, {}, QPoint(8, captions->height() / 2));
        EXPECT_TRUE(captions->isChecked());
        QTest::mouseClick(start, Qt::LeftButton);
        // The window's own events go on while the worker exports: the bar moves.
        auto* watch = new QTimer(&dialog);
        QObject::connect(watch, &QTimer::timeout, bar, [&barValues, bar] { barValues << bar->value(); });
        watch->start(20);
    });

    QAction* item = menuAction(*window, MainWindow::ExportStory);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QString::fromUtf8("&Export Video…"));
    item->trigger();

    EXPECT_TRUE(captionsOffered);
    ASSERT_EQ(prompter.saveFileQuestions.size(), 1);
    EXPECT_TRUE(prompter.saveFileQuestions[0].startsWith("Export Video|"))
        << prompter.saveFileQuestions[0].toStdString();
    EXPECT_TRUE(prompter.saveFileQuestions[0].endsWith(".mp4|MP4 video (*.mp4)"));
    // The name typed without its extension gets ".mp4".
    const QString video = outFolder() + "holiday.mp4";
    ASSERT_FALSE(prompter.messages.isEmpty());
    EXPECT_TRUE(prompter.messages.last().startsWith("Export Video|The video was saved as\n" + video + "\n(9.0 seconds"))
        << prompter.messages.last().toStdString();
    EXPECT_EQ(QDir(outFolder()).entryList(QDir::Files | QDir::Hidden), QStringList{"holiday.mp4"});
    const QString probe = probed(video);
    EXPECT_TRUE(probe.contains("codec_name=h264")) << probe.toStdString();
    EXPECT_TRUE(probe.contains("codec_name=aac"));
    EXPECT_TRUE(probe.contains("width=1280"));
    EXPECT_TRUE(probe.contains("height=720"));
    EXPECT_GT(brightPixelsAtTheBottom(video, 1.0), 50);
    EXPECT_EQ(brightPixelsAtTheBottom(video, 7.0), 0);
    EXPECT_TRUE(std::any_of(barValues.begin(), barValues.end(), [](int v) { return v > 0 && v < 1000; }));
    // The next export starts in the folder of this one.
    prompter.saveFileToChoose.clear();
    item->trigger();
    ASSERT_EQ(prompter.saveFileQuestions.size(), 2);
    EXPECT_TRUE(prompter.saveFileQuestions[1].contains("|" + outFolder()))
        << prompter.saveFileQuestions[1].toStdString();
}

TEST_F(MainWindowExportTest, TheSizeChosenInTheDialogIsTheVideos)
{
    addPictures(1);
    narrate(0, 1.0);
    prompter.saveFileToChoose = outFolder() + "large.mp4";
    QStringList offered;
    whenModalOpens([&offered](QDialog& dialog) {
        auto* size = dialog.findChild<QComboBox*>("size");
        ASSERT_NE(size, nullptr);
        for (int i = 0; i < size->count(); ++i)
            offered << size->itemText(i);
        size->setCurrentIndex(1);
        QTest::mouseClick(dialog.findChild<QPushButton*>("start"), Qt::LeftButton);
    });
    menuAction(*window, MainWindow::ExportStory)->trigger();
    EXPECT_EQ(offered, (QStringList{QString::fromUtf8("1280 × 720 (HD)"), QString::fromUtf8("1920 × 1080 (Full HD)"),
                                    QString::fromUtf8("3840 × 2160 (4K)")}));
    const QString probe = probed(outFolder() + "large.mp4");
    EXPECT_TRUE(probe.contains("width=1920")) << probe.toStdString();
    EXPECT_TRUE(probe.contains("height=1080"));
}

TEST_F(MainWindowExportTest, CancelStopsTheExportAndLeavesNoFile)
{
    addPictures(1);
    narrate(0, 60.0);
    prompter.saveFileToChoose = outFolder() + "long.mp4";
    whenModalOpens([](QDialog& dialog) {
        QTest::mouseClick(dialog.findChild<QPushButton*>("start"), Qt::LeftButton);
        auto* bar = dialog.findChild<QProgressBar*>("progress");
        auto* cancel = dialog.findChild<QPushButton*>("cancel");
        // Cancel once part of the video is written.
        auto* watch = new QTimer(&dialog);
        QObject::connect(watch, &QTimer::timeout, cancel, [watch, bar, cancel] {
            if (bar->value() > 0 && cancel->isEnabled()) {
                watch->stop();
                QTest::mouseClick(cancel, Qt::LeftButton);
            }
        });
        watch->start(10);
    });
    menuAction(*window, MainWindow::ExportStory)->trigger();
    EXPECT_TRUE(QDir(outFolder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    // A cancel is the author's own choice: no message about it.
    EXPECT_TRUE(prompter.messages.isEmpty()) << prompter.messages.join('\n').toStdString();
}

TEST_F(MainWindowExportTest, APodcastExportsItsSoundAtOnceAndTheMenuSaysAudio)
{
    QAction* item = menuAction(*window, MainWindow::ExportStory);
    window->command(MainWindow::NewPodcast);
    EXPECT_EQ(item->text(), QString::fromUtf8("&Export Audio…"));
    narrate(0, 1.5);
    prompter.saveFileToChoose = outFolder() + "talk.mp3";
    item->trigger();
    ASSERT_EQ(prompter.saveFileQuestions.size(), 1);
    EXPECT_TRUE(prompter.saveFileQuestions[0].startsWith("Export Audio|"));
    EXPECT_TRUE(prompter.saveFileQuestions[0].endsWith(".m4a|M4A sound (*.m4a);;MP3 sound (*.mp3)"));
    ASSERT_FALSE(prompter.messages.isEmpty());
    EXPECT_TRUE(prompter.messages.last().startsWith("Export Audio|The sound was saved as\n" + outFolder() + "talk.mp3"))
        << prompter.messages.last().toStdString();
    const QString probe = probed(outFolder() + "talk.mp3");
    EXPECT_TRUE(probe.contains("codec_name=mp3")) << probe.toStdString();
    EXPECT_FALSE(probe.contains("width="));
    window->command(MainWindow::NewPictorelle);
    EXPECT_EQ(item->text(), QString::fromUtf8("&Export Video…"));
}

TEST_F(MainWindowExportTest, NothingToExportIsSaidBeforeAnyFileIsAskedFor)
{
    menuAction(*window, MainWindow::ExportStory)->trigger();
    EXPECT_TRUE(prompter.saveFileQuestions.isEmpty());
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0], "Export Video|Add a slide before exporting the Pictorelle.");
    window->command(MainWindow::NewPodcast);
    menuAction(*window, MainWindow::ExportStory)->trigger();
    EXPECT_TRUE(prompter.saveFileQuestions.isEmpty());
    EXPECT_EQ(prompter.messages.last(), "Export Audio|Record a segment before exporting the podcast.");
}

TEST_F(MainWindowExportTest, AMissingPictureIsNamedAndNothingIsWritten)
{
    addPictures(1);
    // The slide's picture went missing from the working folder.
    Slide& slide = *window->story().slideAt(0);
    QFile::remove(slide.slideJpegPath());
    QFile::remove(slide.sourcePicturePath());
    prompter.saveFileToChoose = outFolder() + "trip.mp4";
    menuAction(*window, MainWindow::ExportStory)->trigger();
    ASSERT_FALSE(prompter.messages.isEmpty());
    EXPECT_TRUE(prompter.messages.last().startsWith("Export Video|Slide 1: the picture "))
        << prompter.messages.last().toStdString();
    EXPECT_TRUE(QDir(outFolder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

} // namespace
