#include "audio/inputlevelmeter.h"
#include "audio/playtest.h"
#include "desktop/dialogs/microphonedialog.h"
#include "desktop/widgets/levelmeter.h"
#include "desktop/widgets/skinresources.h"
#include "shell/programsettings.h"

#include "dialoghooks.h"
#include "meterfeed.h"
#include "recorderfakes.h"
#include "tempfolder.h"
#include "wavebytes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QtEndian>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace {

QPushButton* button(const QWidget& dialog, const char* name)
{
    return dialog.findChild<QPushButton*>(QLatin1String(name));
}

QString labelText(const QWidget& dialog, const char* name)
{
    const auto* label = dialog.findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no label>");
}

//! Where the slider's handle is drawn now.
QPoint handleCentre(const QSlider& slider)
{
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.orientation = slider.orientation();
    option.minimum = slider.minimum();
    option.maximum = slider.maximum();
    option.sliderPosition = slider.sliderPosition();
    option.sliderValue = slider.value();
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    return slider.style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider).center();
}

int countRed(const QImage& image)
{
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 180 && c.green() < 80 && c.blue() < 80;
        }
    return red;
}

int countBar(const QImage& image)
{
    int coloured = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            coloured += c.saturation() > 100 && c.value() > 120;
        }
    return coloured;
}

//! A volume control that keeps its listener, so a test can change the level "elsewhere".
class ListeningVolume : public FakeMicrophoneVolume
{
public:
    ChangeListener listener;
    void setChangeListener(ChangeListener l) override { listener = std::move(l); }
};

class MicrophoneDialogTest : public ::testing::Test
{
protected:
    TempFolder home;
    RecordedHooks hooks{home.path()};
    SkinResources skin;
    FakeBackend backend;
    FakeSoundPlayer player;
    ListeningVolume volume;
    ProgramSettings settings;
    FakeClock clock;
    QWidget owner;

    void SetUp() override
    {
        QCursor::setPos(QPoint(1500, 1200));
        QDir(home.path()).mkpath(QStringLiteral("temp"));
        home.write(QStringLiteral("docs/mictest.htm"), "<html></html>");
        owner.resize(800, 600);
    }

    std::unique_ptr<MicrophoneDialog> makeDialog(MicrophoneVolume* level)
    {
        return std::make_unique<MicrophoneDialog>(backend, player, level, settings, clock, home.path(), hooks.actions(),
                                                  skin, &owner);
    }

    std::unique_ptr<MicrophoneDialog> makeDialog() { return makeDialog(&volume); }

    //! Shows the dialog; its meter opens the first input port.
    std::unique_ptr<MicrophoneDialog> shownDialog(MicrophoneVolume* level)
    {
        auto dialog = makeDialog(level);
        dialog->show();
        return dialog;
    }
};

TEST_F(MicrophoneDialogTest, GivenTheDialog_WhenOpened_ThenEveryTextIsAsTheUserKnowsIt)
{
    auto dialog = makeDialog();

    EXPECT_EQ(dialog->objectName(), "MIC_TEST_BOX");
    EXPECT_EQ(dialog->windowTitle(), "Microphone Setup");
    EXPECT_EQ(labelText(*dialog, "title"), "Microphone Setup Instructions");
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("title"))->font(), skin.labelFont());
    EXPECT_EQ(labelText(*dialog, "sampleText"), "The volume of your recording should sound like this sample");
    EXPECT_EQ(labelText(*dialog, "recordText"), "Make a test recording (4 secs)");
    EXPECT_EQ(labelText(*dialog, "adjustText"), "Adjust the microphone volume to match  the sample");
    EXPECT_EQ(labelText(*dialog, "volumeText"), "Microphone Volume");
    EXPECT_EQ(button(*dialog, "playSample")->text(), "Play Sample");
    EXPECT_EQ(button(*dialog, "record")->text(), "Record");
    EXPECT_EQ(button(*dialog, "help")->text(), "Help");
    EXPECT_EQ(button(*dialog, "ok")->text(), "OK");
    EXPECT_TRUE(button(*dialog, "ok")->isDefault());
    EXPECT_EQ(dialog->findChildren<QPushButton*>().size(), 4);
    EXPECT_FALSE(dialog->findChild<QLabel*>(QStringLiteral("note"))->isVisibleTo(dialog.get()));
}

TEST_F(MicrophoneDialogTest, GivenVolumeRanges_WhenOpened_ThenTheSliderShowsTheLevelOnItsHundredSteps)
{
    struct Case
    {
        int max;
        int volume;
        int position;
    };
    // 32768 of 65535 is 50.0008 %, rounded up; PulseAudio's range ends at 65536.
    for (const Case c :
         {Case{65535, 32768, 51}, Case{65536, 65536, 100}, Case{65536, 0, 0}, Case{65536, 655, 1}, Case{100, 7, 7}}) {
        SCOPED_TRACE(c.max);
        volume.max = c.max;
        volume.volume = c.volume;
        auto dialog = makeDialog();
        const auto* slider = dialog->findChild<QSlider*>(QStringLiteral("volume"));
        EXPECT_EQ(slider->minimum(), 0);
        EXPECT_EQ(slider->maximum(), 100);
        EXPECT_EQ(slider->value(), c.position);
        EXPECT_TRUE(slider->isEnabled());
    }
    EXPECT_TRUE(volume.levelsSet.empty()) << "opening changes no level";
}

TEST_F(MicrophoneDialogTest, GivenTheSlider_WhenDraggedAndLetGo_ThenTheLevelChangesOnlyOnRelease)
{
    auto dialog = shownDialog(&volume);
    auto* slider = dialog->findChild<QSlider*>(QStringLiteral("volume"));

    // WHEN the handle is held and moved to 25
    slider->setSliderDown(true);
    slider->setValue(25);
    EXPECT_TRUE(volume.levelsSet.empty());
    // WHEN it is let go THEN 25 % of 65535 = 16383.75 is set, rounded up
    slider->setSliderDown(false);
    EXPECT_EQ(volume.levelsSet, std::vector<int>{16384});

    // WHEN the handle is dragged with the mouse
    const QRect groove = slider->rect();
    const QPoint handle = handleCentre(*slider);
    QTest::mousePress(slider, Qt::LeftButton, {}, handle);
    QTest::mouseMove(slider, handle + QPoint(groove.width() / 3, 0));
    const size_t whileDragging = volume.levelsSet.size();
    QTest::mouseRelease(slider, Qt::LeftButton, {}, handle + QPoint(groove.width() / 3, 0));
    EXPECT_EQ(whileDragging, 1u);
    ASSERT_GE(slider->value(), 40);
    EXPECT_EQ(volume.levelsSet.back(), volume.volume);
    EXPECT_GT(volume.volume, 26000);

    // WHEN a key moves the slider THEN there is nothing to let go of and the level follows at once
    slider->setValue(50);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_PageDown);
    EXPECT_EQ(slider->value(), 40);
    EXPECT_EQ(volume.volume, 26214);
}

TEST_F(MicrophoneDialogTest, GivenAMovedSlider_WhenCancelledOrConfirmed_ThenTheOpeningLevelReturnsOrTheNewOneStays)
{
    {
        auto dialog = shownDialog(&volume);
        auto* slider = dialog->findChild<QSlider*>(QStringLiteral("volume"));
        slider->setSliderDown(true);
        slider->setValue(90);
        slider->setSliderDown(false);
        ASSERT_EQ(volume.volume, 58982);
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(volume.volume, 32768);
        EXPECT_EQ(player.calls.last(), "purge");
    }
    {
        auto dialog = shownDialog(&volume);
        auto* slider = dialog->findChild<QSlider*>(QStringLiteral("volume"));
        slider->setSliderDown(true);
        slider->setValue(90);
        slider->setSliderDown(false);
        dialog->close();
        EXPECT_EQ(volume.volume, 32768) << "the close box cancels";
    }
    {
        auto dialog = shownDialog(&volume);
        auto* slider = dialog->findChild<QSlider*>(QStringLiteral("volume"));
        slider->setSliderDown(true);
        slider->setValue(25);
        slider->setSliderDown(false);
        volume.levelsSet.clear();
        QTest::mouseClick(button(*dialog, "ok"), Qt::LeftButton);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(volume.volume, 16384);
        EXPECT_EQ(volume.levelsSet, std::vector<int>{16384});
        EXPECT_EQ(player.calls.last(), "purge");
    }
}

TEST_F(MicrophoneDialogTest, GivenNoMicrophoneLevel_WhenUsed_ThenTheSliderStaysUnsetAndTestRecordingsStillWork)
{
    auto dialog = shownDialog(nullptr);
    auto* slider = dialog->findChild<QSlider*>(QStringLiteral("volume"));
    EXPECT_FALSE(slider->isEnabled());
    EXPECT_EQ(slider->value(), 0);

    const int portsBefore = backend.inputPortsMade;
    QTest::mouseClick(button(*dialog, "record"), Qt::LeftButton);
    EXPECT_EQ(button(*dialog, "record")->text(), "Recording");
    EXPECT_EQ(backend.inputPortsMade, portsBefore + 1);

    QTest::mouseClick(button(*dialog, "ok"), Qt::LeftButton);
    EXPECT_TRUE(volume.levelsSet.empty());
    EXPECT_EQ(volume.volume, 32768);
}

TEST_F(MicrophoneDialogTest,
       GivenRecordPressedTwice_WhenTheClockRuns_ThenOneRecordingIsMadePlayedBackAndTheButtonReturns)
{
    auto dialog = shownDialog(&volume);
    QPushButton* record = button(*dialog, "record");
    const int portsBefore = backend.inputPortsMade;

    QTest::mouseClick(record, Qt::LeftButton);
    const std::shared_ptr<FakeInput> recording = backend.input;
    QTest::mouseClick(record, Qt::LeftButton);
    EXPECT_EQ(backend.inputPortsMade, portsBefore + 1);
    EXPECT_EQ(record->text(), "Recording");
    ASSERT_TRUE(recording->capture(3));

    clock.advance(3999);
    dialog->tick();
    EXPECT_EQ(record->text(), "Recording");
    EXPECT_FALSE(player.calls.contains("file:" + home.path() + "temp/temp.wav"));

    clock.advance(1);
    dialog->tick();
    EXPECT_EQ(record->text(), "Playing");
    EXPECT_EQ(player.calls.last(), "file:" + home.path() + "temp/temp.wav");
    EXPECT_EQ(TempFolder::read(home.file(QStringLiteral("temp/temp.wav"))), wavebytes::pcmWave(recording->captured));

    clock.advance(3999);
    dialog->tick();
    EXPECT_EQ(record->text(), "Playing");
    clock.advance(1);
    dialog->tick();
    EXPECT_EQ(record->text(), "Record");
    EXPECT_EQ(backend.inputPortsMade, portsBefore + 1);

    // The dialog's own timer reads the same clock: nothing more happens while it stands still.
    QApplication::processEvents();
    EXPECT_EQ(record->text(), "Record");
}

TEST_F(MicrophoneDialogTest, GivenPlaySampleAndHelp_WhenClicked_ThenTheVoiceSampleAndTheHelpPageOpen)
{
    auto dialog = shownDialog(&volume);
    player.calls.clear();
    QTest::mouseClick(button(*dialog, "playSample"), Qt::LeftButton);
    EXPECT_EQ(player.calls, QStringList{QStringLiteral("wav:%1").arg(playtestSample().size())});
    EXPECT_GE(playtestSample().size(), 44 + 127890);

    QTest::mouseClick(button(*dialog, "help"), Qt::LeftButton);
    ASSERT_EQ(hooks.opener.opened.size(), 1);
    EXPECT_EQ(hooks.opener.opened.at(0).toLocalFile(), home.file(QStringLiteral("docs/mictest.htm")));
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(MicrophoneDialogTest, GivenTheLiveMeter_WhenTheMicrophoneIsSilentThenLoud_ThenTheBarStaysEmptyThenTurnsRed)
{
    auto dialog = shownDialog(&volume);
    ASSERT_EQ(backend.inputPortsMade, 1);
    const std::shared_ptr<FakeInput> meterInput = backend.input;
    EXPECT_EQ(meterInput->callLog(), QStringList({"open", "start"}));
    LevelMeter* meter = dialog->levelMeter();
    ASSERT_GE(meter->width(), 100);

    ASSERT_TRUE(deliverToMeter(*meterInput, squareWave(0)));
    dialog->tick();
    EXPECT_EQ(countBar(meter->grab().toImage()), 0);

    ASSERT_TRUE(deliverToMeter(*meterInput, squareWave(32767)));
    dialog->tick();
    EXPECT_GE(meter->peak(), 0.99f);
    const QImage loud = meter->grab().toImage();
    EXPECT_GE(countRed(loud), (meter->width() - 4) * (meter->height() - 2));

    // WHEN the dialog closes THEN its meter lets go of the microphone
    QTest::mouseClick(button(*dialog, "ok"), Qt::LeftButton);
    EXPECT_EQ(meterInput->callLog(), QStringList({"open", "start", "reset", "close"}));
}

TEST_F(MicrophoneDialogTest, GivenNoMicrophone_WhenOpened_ThenTheMeterStaysEmptyWithAQuietNoteAndNoMessageBox)
{
    backend.openSucceeds = false;
    auto dialog = shownDialog(&volume);
    QApplication::processEvents();

    const auto* note = dialog->findChild<QLabel*>(QStringLiteral("note"));
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->text(), "No microphone found");
    EXPECT_FALSE(dialog->levelMeter()->isEnabled());
    for (const QWidget* window : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<const QMessageBox*>(window), nullptr) << "no message box";
    dialog->tick();
    EXPECT_EQ(dialog->levelMeter()->peak(), 0.0f);

    // WHEN a test recording is tried THEN the reason shows in the note and the button stays
    QTest::mouseClick(button(*dialog, "record"), Qt::LeftButton);
    EXPECT_EQ(button(*dialog, "record")->text(), "Record");
    EXPECT_TRUE(note->text().startsWith("No microphone was found."));
}

TEST_F(MicrophoneDialogTest, GivenARunningMeter_WhenTheMicrophoneGoesAway_ThenTheNoteAppears)
{
    auto dialog = shownDialog(&volume);
    const std::shared_ptr<FakeInput> meterInput = backend.input;
    ASSERT_TRUE(deliverToMeter(*meterInput, squareWave(20000)));
    dialog->tick();
    ASSERT_GT(dialog->levelMeter()->peak(), 0.5f);

    meterInput->handBackAll();

    const auto* note = dialog->findChild<QLabel*>(QStringLiteral("note"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return note->isVisible(); }, 10000));
    EXPECT_EQ(note->text(), "No microphone found");
    EXPECT_EQ(dialog->levelMeter()->peak(), 0.0f);
}

TEST_F(MicrophoneDialogTest, GivenTheLevelChangedElsewhere_WhenReported_ThenTheSliderFollowsOnTheGuiThread)
{
    auto dialog = shownDialog(&volume);
    auto* slider = dialog->findChild<QSlider*>(QStringLiteral("volume"));
    ASSERT_TRUE(volume.listener);

    // The sound server reports on its own thread.
    std::thread server([listener = volume.listener] { listener(13107); });
    server.join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return slider->value() == 20; }, 10000)) << slider->value();
    EXPECT_TRUE(volume.levelsSet.empty()) << "following the level does not set it again";

    // Our own level coming back does not move the slider, though the round trip would.
    slider->setSliderDown(true);
    slider->setValue(33);
    slider->setSliderDown(false);
    ASSERT_EQ(volume.volume, 21627);
    volume.listener(21627);
    QApplication::processEvents();
    EXPECT_EQ(slider->value(), 33);

    // WHEN cancelled THEN the opening level returns and nobody listens any more
    dialog->reject();
    EXPECT_EQ(volume.volume, 32768);
    EXPECT_FALSE(volume.listener);
}

} // namespace
