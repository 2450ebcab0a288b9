#include "desktop/dialogs/microphonedialog.h"
#include "desktop/widgets/levelmeter.h"
#include "desktop/widgets/skinresources.h"
#include "shell/programsettings.h"

#include "dialoghooks.h"
#include "recorderfakes.h"
#include "tempfolder.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

const InputSource BuiltIn{QStringLiteral("alsa_input.pci-0000_00_1f.3.analog-stereo"),
                          QStringLiteral("Built-in Audio Analog Stereo"), true};
const InputSource Usb{QStringLiteral("alsa_input.usb-Mic-00.mono-fallback"), QStringLiteral("USB Mic"), false};
const QString UsbMissingText =
    QStringLiteral("The microphone \"USB Mic\" is not connected. Recording from the default microphone instead.");

InputSourceList listOf(std::vector<InputSource> sources)
{
    InputSourceList list;
    list.sources = std::move(sources);
    return list;
}

QStringList entries(const QComboBox& chooser)
{
    QStringList texts;
    for (int i = 0; i < chooser.count(); ++i)
        texts << chooser.itemText(i);
    return texts;
}

//! A level control that hands the dialog's calls on to one the test keeps.
class SharedVolume : public MicrophoneVolume
{
public:
    explicit SharedVolume(FakeMicrophoneVolume& inner) : m_inner(inner) {}
    bool hasVolumeControl() const override { return true; }
    int volumeMin() const override { return m_inner.volumeMin(); }
    int volumeMax() const override { return m_inner.volumeMax(); }
    int volumeSteps() const override { return m_inner.volumeSteps(); }
    int getVolume() const override { return m_inner.getVolume(); }
    void setVolume(int volume) override { m_inner.setVolume(volume); }
    void setChangeListener(ChangeListener) override {}

private:
    FakeMicrophoneVolume& m_inner;
};

class MicrophoneChoiceTest : public ::testing::Test
{
protected:
    TempFolder home;
    RecordedHooks hooks{home.path()};
    SkinResources skin;
    FakeBackend backend;
    FakeSoundPlayer player;
    FakeMicrophoneVolume volume;
    ProgramSettings settings;
    FakeClock clock;
    QWidget owner;

    void SetUp() override
    {
        QCursor::setPos(QPoint(1500, 1200));
        QDir(home.path()).mkpath(QStringLiteral("temp"));
        owner.resize(800, 600);
        backend.labels[Usb.name] = Usb.description;
        backend.setSources(listOf({BuiltIn, Usb}));
    }

    std::unique_ptr<MicrophoneDialog> shownDialog()
    {
        auto dialog = std::make_unique<MicrophoneDialog>(backend, player, &volume, settings, clock, home.path(),
                                                         hooks.actions(), skin, &owner);
        dialog->show();
        return dialog;
    }

    static QLabel* note(const MicrophoneDialog& dialog) { return dialog.findChild<QLabel*>(QStringLiteral("note")); }
};

TEST_F(MicrophoneChoiceTest, GivenListedMicrophones_WhenTheDialogOpens_ThenTheDefaultComesFirstAndTheChoiceIsSelected)
{
    settings.setInputDevice(Usb.name);
    auto dialog = shownDialog();
    QComboBox* chooser = dialog->microphoneChooser();

    ASSERT_TRUE(QTest::qWaitFor([&] { return chooser->count() == 3; }, 10000))
        << entries(*chooser).join('|').toStdString();
    EXPECT_EQ(entries(*chooser), QStringList({"Default microphone", BuiltIn.description, Usb.description}));
    EXPECT_EQ(chooser->currentIndex(), 2);
    EXPECT_EQ(chooser->itemData(1).toString(), BuiltIn.name);
    const auto* text = dialog->findChild<QLabel*>(QStringLiteral("microphoneText"));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->text(), "Microphone:");
    EXPECT_EQ(text->buddy(), chooser);
    EXPECT_EQ(backend.inputDevice(), Usb.name) << "the dialog records from the stored choice";
    EXPECT_EQ(backend.input->device, Usb.name) << "so does its meter";
    EXPECT_GE(backend.listings(), 1);
    EXPECT_FALSE(note(*dialog)->isVisibleTo(dialog.get()));
}

TEST_F(MicrophoneChoiceTest,
       GivenTheChooser_WhenAnotherMicrophoneIsPicked_ThenTheMeterSwitchesAtOnceAndTheSettingIsKept)
{
    auto dialog = shownDialog();
    QComboBox* chooser = dialog->microphoneChooser();
    ASSERT_TRUE(QTest::qWaitFor([&] { return chooser->count() == 3; }, 10000));
    EXPECT_EQ(chooser->currentIndex(), 0) << "nothing chosen yet: the default";
    const std::shared_ptr<FakeInput> defaultMeter = backend.input;
    EXPECT_EQ(defaultMeter->device, QString());
    const int portsBefore = backend.inputPortsMade;

    // WHEN the author steps down to the USB microphone with the keyboard
    chooser->setFocus();
    QTest::keyClick(chooser, Qt::Key_Down);
    QTest::keyClick(chooser, Qt::Key_Down);

    EXPECT_EQ(chooser->currentIndex(), 2);
    EXPECT_EQ(settings.inputDevice(), Usb.name);
    EXPECT_EQ(backend.inputDevice(), Usb.name);
    EXPECT_EQ(backend.inputPortsMade, portsBefore + 2) << "one meter per microphone stepped onto";
    EXPECT_EQ(backend.input->device, Usb.name);
    EXPECT_EQ(backend.input->callLog(), QStringList({"open", "start"}));
    EXPECT_EQ(defaultMeter->callLog().last(), "close") << "the old meter let go of its microphone";

    // WHEN the default is picked with the mouse from the opened list
    chooser->showPopup();
    QAbstractItemView* view = chooser->view();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->isVisible(); }, 5000));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(0, 0)).center());

    EXPECT_EQ(chooser->currentIndex(), 0);
    EXPECT_EQ(settings.inputDevice(), QString());
    EXPECT_EQ(backend.inputDevice(), QString());
    EXPECT_EQ(backend.input->device, QString());

    // WHEN the dialog closes THEN the choice stays (it is no level to restore)
    QTest::keyClick(chooser, Qt::Key_Down);
    ASSERT_EQ(settings.inputDevice(), BuiltIn.name);
    dialog->reject();
    EXPECT_EQ(settings.inputDevice(), BuiltIn.name);
}

TEST_F(MicrophoneChoiceTest,
       GivenTheChosenMicrophoneUnplugged_WhenTheDialogOpens_ThenItStaysChosenAndTheDefaultIsMetered)
{
    settings.setInputDevice(Usb.name);
    backend.missing << Usb.name;
    backend.setSources(listOf({BuiltIn}));

    auto dialog = shownDialog();
    QComboBox* chooser = dialog->microphoneChooser();
    ASSERT_TRUE(QTest::qWaitFor([&] { return chooser->itemText(2) == "USB Mic (not connected)"; }, 10000))
        << entries(*chooser).join('|').toStdString();
    EXPECT_EQ(chooser->count(), 3);
    EXPECT_EQ(chooser->currentIndex(), 2);
    EXPECT_TRUE(note(*dialog)->isVisible());
    EXPECT_EQ(note(*dialog)->text(), UsbMissingText);
    EXPECT_TRUE(backend.input->openedDefault);

    // WHEN it is plugged in again THEN the list shows it and the meter reads it
    backend.missing.clear();
    backend.setSources(listOf({BuiltIn, Usb}));
    ASSERT_TRUE(backend.announceSourcesChanged());
    ASSERT_TRUE(QTest::qWaitFor([&] { return chooser->itemText(2) == Usb.description; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !backend.input->openedDefault; }, 10000));
    EXPECT_EQ(backend.input->device, Usb.name);
    EXPECT_FALSE(note(*dialog)->isVisible());
    EXPECT_EQ(settings.inputDevice(), Usb.name);
}

TEST_F(MicrophoneChoiceTest,
       GivenTheChosenMicrophone_WhenItIsUnpluggedWhileOpen_ThenTheMeterGoesOnWithTheDefaultAndSaysSo)
{
    settings.setInputDevice(Usb.name);
    auto dialog = shownDialog();
    QComboBox* chooser = dialog->microphoneChooser();
    ASSERT_TRUE(QTest::qWaitFor([&] { return chooser->count() == 3; }, 10000));
    const std::shared_ptr<FakeInput> usbMeter = backend.input;
    ASSERT_EQ(usbMeter->device, Usb.name);

    backend.missing << Usb.name;
    backend.setSources(listOf({BuiltIn}));
    usbMeter->loseDevice();
    ASSERT_TRUE(backend.announceSourcesChanged());

    ASSERT_TRUE(QTest::qWaitFor([&] { return note(*dialog)->text() == UsbMissingText; }, 10000))
        << note(*dialog)->text().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return chooser->itemText(2) == "USB Mic (not connected)"; }, 10000));
    EXPECT_EQ(chooser->currentIndex(), 2);
    EXPECT_TRUE(backend.input->openedDefault);
    EXPECT_TRUE(dialog->levelMeter()->isEnabled());
    EXPECT_EQ(settings.inputDevice(), Usb.name) << "kept for when it is plugged in again";
}

TEST_F(MicrophoneChoiceTest, GivenTwoMicrophonesOfOneModel_WhenListed_ThenTheirNamesTellThemApart)
{
    const InputSource second{QStringLiteral("alsa_input.usb-Mic-01.mono-fallback"), Usb.description, false};
    backend.setSources(listOf({Usb, second}));
    auto dialog = shownDialog();
    QComboBox* chooser = dialog->microphoneChooser();
    ASSERT_TRUE(QTest::qWaitFor([&] { return chooser->count() == 3; }, 10000));
    EXPECT_EQ(entries(*chooser),
              QStringList({"Default microphone", "USB Mic (" + Usb.name + ")", "USB Mic (" + second.name + ")"}));
}

TEST_F(MicrophoneChoiceTest, GivenALevelControlPerMicrophone_WhenAnotherIsPicked_ThenTheSliderWorksOnItsLevel)
{
    std::map<QString, FakeMicrophoneVolume> levels;
    levels[Usb.name].volume = 6554;
    std::vector<QString> opened;
    auto dialog = shownDialog();
    dialog->setVolumeOpener([&](const QString& device) -> std::unique_ptr<MicrophoneVolume> {
        opened.push_back(device);
        return std::make_unique<SharedVolume>(levels[device]);
    });
    QComboBox* chooser = dialog->microphoneChooser();
    ASSERT_TRUE(QTest::qWaitFor([&] { return chooser->count() == 3; }, 10000));
    auto* slider = dialog->findChild<QSlider*>(QStringLiteral("volume"));
    ASSERT_EQ(slider->value(), 51) << "the default's level, as the dialog was given it";

    chooser->setFocus();
    QTest::keyClick(chooser, Qt::Key_Down);
    QTest::keyClick(chooser, Qt::Key_Down);

    EXPECT_EQ(opened, (std::vector<QString>{BuiltIn.name, Usb.name}));
    EXPECT_EQ(slider->value(), 11) << "6554 of 65535, the USB microphone's own level";
    EXPECT_TRUE(levels[Usb.name].levelsSet.empty()) << "showing a level sets none";
    slider->setSliderDown(true);
    slider->setValue(40);
    slider->setSliderDown(false);
    EXPECT_EQ(levels[Usb.name].volume, 26214);
    EXPECT_EQ(volume.volume, 32768) << "the default's level is left alone";

    // WHEN cancelled THEN the USB microphone's level goes back to what it was when picked
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_EQ(levels[Usb.name].volume, 6554);
    EXPECT_EQ(volume.volume, 32768);
}

} // namespace
