#include "desktop/dialogs/microphonedialog.h"

#include "audio/audiobackend.h"
#include "audio/inputsourcemonitor.h"
#include "audio/microphonescale.h"
#include "audio/microphonevolume.h"
#include "audio/millisecondclock.h"
#include "audio/recordingsession.h"
#include "desktop/dialogs/dialogplacement.h"
#include "desktop/widgets/levelmeter.h"
#include "desktop/widgets/skinresources.h"
#include "shell/programfolder.h"
#include "shell/programsettings.h"
#include "shell/weblinks.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <mutex>

//! Lets the volume's listener (on libpulse's thread) and the microphone listing (on its own)
//! reach the dialog only while it lives.
struct MicrophoneDialog::Relay
{
    std::mutex lock;
    MicrophoneDialog* dialog = nullptr;

    //! Runs call on the GUI thread with the dialog, unless it has gone by then.
    void post(std::function<void(MicrophoneDialog&)> call)
    {
        std::lock_guard guard(lock);
        // Posting is thread-safe; the dialog cannot go away while the lock is held, and a call
        // still queued when it does is dropped with it.
        if (dialog)
            QMetaObject::invokeMethod(
                dialog, [target = dialog, call = std::move(call)] { call(*target); }, Qt::QueuedConnection);
    }

    void detach()
    {
        std::lock_guard guard(lock);
        dialog = nullptr;
    }
};

namespace {

QPushButton* pushButton(const QString& text, const QString& name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QLabel* label(const QString& text, const QString& name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

MicrophoneDialog::MicrophoneDialog(AudioBackend& backend, SoundPlayer& player, MicrophoneVolume* volume,
                                   ProgramSettings& settings, const MillisecondClock& clock,
                                   const QString& programFolder, const DialogActions& actions,
                                   const SkinResources& skin, QWidget* parent)
    : QDialog(parent),
      m_backend(backend),
      m_settings(settings),
      m_test(backend, player, volume, programfolder::workingFolder(programFolder)),
      m_meter(backend),
      m_volume(volume),
      m_clock(clock),
      m_actions(actions),
      m_relay(std::make_shared<Relay>())
{
    setObjectName(QStringLiteral("MIC_TEST_BOX"));
    setWindowTitle(QStringLiteral("Microphone Setup"));
    setModal(true);

    auto* title = label(QStringLiteral("Microphone Setup Instructions"), QStringLiteral("title"), this);
    title->setFont(skin.labelFont());

    // The settings name the microphone; the meter and the test record from it.
    m_backend.setInputDevice(m_settings.inputDevice());
    m_chooser = new QComboBox(this);
    m_chooser->setObjectName(QStringLiteral("microphone"));
    m_chooser->setAccessibleName(QStringLiteral("Microphone"));
    m_chooser->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    // Until the first listing: the default and the chosen microphone, as far as they are known.
    fillChooser();
    // Only the author's own picks: a refreshed list selects the choice without a signal.
    connect(m_chooser, &QComboBox::activated, this, &MicrophoneDialog::microphoneChosen);

    m_playSample = pushButton(QStringLiteral("Play Sample"), QStringLiteral("playSample"), this);
    connect(m_playSample, &QPushButton::clicked, this, [this] { m_test.playSample(); });
    m_record = pushButton(QStringLiteral("Recording"), QStringLiteral("record"), this);
    // Wide enough for its longest text, so the button does not jump while a test runs.
    m_record->setMinimumWidth(m_record->sizeHint().width());
    m_record->setText(m_test.buttonText());
    connect(m_record, &QPushButton::clicked, this, [this] { applyStep(m_test.record()); });

    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("volume"));
    m_slider->setRange(0, microphonescale::SliderMax);
    m_slider->setAccessibleName(QStringLiteral("Microphone Volume"));
    if (const std::optional<int> position = m_test.open())
        m_slider->setValue(*position);
    // Without a level control the slider stays unset; moving it would change nothing.
    m_slider->setEnabled(m_volume != nullptr);
    // The level follows the slider when the user lets go of it, not while dragging; a step
    // from the keyboard or a click on the groove has nothing to let go of and applies at once.
    connect(m_slider, &QSlider::sliderReleased, this, [this] { m_test.sliderReleased(m_slider->value()); });
    connect(m_slider, &QSlider::valueChanged, this, [this](int position) {
        if (!m_slider->isSliderDown() && !m_followingVolume)
            m_test.sliderReleased(position);
    });

    m_levelMeter = new LevelMeter(this);
    m_levelMeter->setObjectName(QStringLiteral("levelMeter"));
    m_note = label(QString(), QStringLiteral("note"), this);
    QPalette notePalette = m_note->palette();
    notePalette.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    m_note->setPalette(notePalette);
    QFont noteFont = m_note->font();
    noteFont.setPointSizeF(noteFont.pointSizeF() * 0.9);
    m_note->setFont(noteFont);
    m_note->setWordWrap(true);
    m_note->hide();

    auto* help = pushButton(QStringLiteral("Help"), QStringLiteral("help"), this);
    help->setEnabled(bool(m_actions.openHelpPage));
    connect(help, &QPushButton::clicked, this, [this] { m_actions.openHelpPage(weblinks::MicrophonePage); });
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* microphoneRow = new QHBoxLayout;
    auto* microphoneText = label(QStringLiteral("Microphone:"), QStringLiteral("microphoneText"), this);
    microphoneText->setBuddy(m_chooser);
    microphoneRow->addWidget(microphoneText);
    microphoneRow->addWidget(m_chooser, 1);
    auto* sampleRow = new QHBoxLayout;
    sampleRow->addWidget(label(QStringLiteral("The volume of your recording should sound like this sample"),
                               QStringLiteral("sampleText"), this),
                         1);
    sampleRow->addWidget(m_playSample);
    auto* recordRow = new QHBoxLayout;
    recordRow->addWidget(label(QStringLiteral("Make a test recording (4 secs)"), QStringLiteral("recordText"), this),
                         1);
    recordRow->addWidget(m_record);
    auto* volumeRow = new QHBoxLayout;
    volumeRow->addWidget(label(QStringLiteral("Microphone Volume"), QStringLiteral("volumeText"), this));
    volumeRow->addWidget(m_slider, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(help);
    buttons->addStretch(1);
    buttons->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addLayout(microphoneRow);
    layout->addLayout(sampleRow);
    layout->addLayout(recordRow);
    layout->addWidget(
        label(QStringLiteral("Adjust the microphone volume to match  the sample"), QStringLiteral("adjustText"), this));
    layout->addLayout(volumeRow);
    layout->addWidget(m_levelMeter);
    layout->addWidget(m_note);
    layout->addLayout(buttons);

    m_ticker.setInterval(TickMs);
    connect(&m_ticker, &QTimer::timeout, this, &MicrophoneDialog::tick);

    m_relay->dialog = this;
    if (m_volume)
        m_volume->setChangeListener([relay = m_relay](int level) {
            relay->post([level](MicrophoneDialog& dialog) { dialog.volumeChangedElsewhere(level); });
        });
}

MicrophoneDialog::~MicrophoneDialog()
{
    stopAll();
}

void MicrophoneDialog::accept()
{
    m_test.ok(m_slider->value());
    stopAll();
    QDialog::accept();
}

void MicrophoneDialog::reject()
{
    m_test.cancel();
    stopAll();
    QDialog::reject();
}

void MicrophoneDialog::tick()
{
    if (m_meter.isRunning()) {
        if (m_meter.hasLostInput()) {
            m_meter.stop();
            showNoMicrophone();
            // A chosen microphone unplugged: the meter goes on with the default one, and says so.
            if (!m_settings.inputDevice().isEmpty())
                startMeter();
        } else {
            const InputLevelMeter::Level level = m_meter.level();
            m_levelMeter->setLevel(level.peak, level.rms);
        }
    }
    const qint64 now = m_clock.milliseconds();
    if (m_timer1Due && now >= *m_timer1Due)
        applyStep(m_test.timer1());
    if (m_timer2Due && now >= *m_timer2Due)
        applyStep(m_test.timer2());
}

void MicrophoneDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    placeOverOwner(*this);
    if (!m_closed) {
        startMeter();
        m_ticker.start();
        // Microphones plugged in or out since the last time show up now, and while it is open.
        if (!m_sources)
            m_sources = std::make_unique<InputSourceMonitor>(m_backend, [relay = m_relay](const InputSourceList& list) {
                relay->post([list](MicrophoneDialog& dialog) { dialog.showSources(list); });
            });
    }
}

void MicrophoneDialog::startMeter()
{
    if (m_meter.isRunning())
        return;
    if (!m_meter.start()) {
        showNoMicrophone();
        return;
    }
    m_levelMeter->setEnabled(true);
    if (m_meter.openedDefaultInstead()) {
        m_note->setText(missingMicrophoneText(m_backend.inputDeviceLabel()));
        m_note->show();
    } else {
        m_note->hide();
    }
}

void MicrophoneDialog::restartMeter()
{
    m_meter.stop();
    m_levelMeter->clear();
    startMeter();
}

void MicrophoneDialog::showSources(const InputSourceList& list)
{
    if (m_closed || !list.ok())
        return;
    const bool changed = m_listedOnce && list.sources != m_listed.sources;
    m_listed = list;
    m_listedOnce = true;
    fillChooser();
    // A microphone came or went since the last listing: the meter follows the chosen one
    // plugged back in, and one that had no microphone tries again.
    const QString chosen = m_settings.inputDevice();
    const bool chosenBack = m_meter.isRunning() && m_meter.openedDefaultInstead() && m_listed.find(chosen);
    if (changed && m_ticker.isActive() && (chosenBack || !m_meter.isRunning()))
        restartMeter();
}

void MicrophoneDialog::fillChooser()
{
    const QString chosen = m_settings.inputDevice();
    m_chooser->clear();
    m_chooser->addItem(QStringLiteral("Default microphone"), QString());
    for (const InputSource& source : m_listed.sources) {
        const auto sameText =
            std::count_if(m_listed.sources.begin(), m_listed.sources.end(),
                          [&](const InputSource& other) { return other.description == source.description; });
        // Two microphones of one make and model differ by their names only.
        const QString text =
            sameText > 1 ? QStringLiteral("%1 (%2)").arg(source.description, source.name) : source.description;
        m_chooser->addItem(text, source.name);
        m_chooser->setItemData(m_chooser->count() - 1, source.name, Qt::ToolTipRole);
    }
    if (!chosen.isEmpty() && !m_listed.find(chosen)) {
        // Kept in the list, so that the choice stays and is used again once plugged back in.
        const QString known = m_backend.inputDevice() == chosen ? m_backend.inputDeviceLabel() : chosen;
        m_chooser->addItem(m_listedOnce ? QStringLiteral("%1 (not connected)").arg(known) : known, chosen);
    }
    m_chooser->setCurrentIndex(std::max(0, m_chooser->findData(chosen)));
}

void MicrophoneDialog::microphoneChosen(int index)
{
    const QString name = m_chooser->itemData(index).toString();
    if (name == m_settings.inputDevice())
        return;
    m_settings.setInputDevice(name);
    m_backend.setInputDevice(name);
    if (m_openVolume)
        followVolumeOf(name);
    if (m_ticker.isActive())
        restartMeter();
}

void MicrophoneDialog::followVolumeOf(const QString& device)
{
    if (m_volume)
        m_volume->setChangeListener({});
    std::unique_ptr<MicrophoneVolume> volume = m_openVolume(device);
    m_volume = volume.get();
    // The test lets go of the old control before it is closed.
    const std::optional<int> position = m_test.useVolume(m_volume);
    m_ownVolume = std::move(volume);
    m_followingVolume = true;
    m_slider->setValue(position.value_or(0));
    m_followingVolume = false;
    m_slider->setEnabled(m_volume != nullptr);
    if (m_volume)
        m_volume->setChangeListener([relay = m_relay](int level) {
            relay->post([level](MicrophoneDialog& dialog) { dialog.volumeChangedElsewhere(level); });
        });
}

void MicrophoneDialog::stopAll()
{
    m_closed = true;
    m_ticker.stop();
    m_timer1Due.reset();
    m_timer2Due.reset();
    m_meter.stop();
    // Joined before the relay lets go: no listing is posted after this.
    m_sources.reset();
    m_relay->detach();
    if (m_volume)
        m_volume->setChangeListener({});
}

void MicrophoneDialog::showNoMicrophone()
{
    m_levelMeter->clear();
    m_levelMeter->setEnabled(false);
    m_note->setText(QStringLiteral("No microphone found"));
    m_note->show();
}

void MicrophoneDialog::applyStep(const MicTestStep& step)
{
    if (step.stopTimer == 1)
        m_timer1Due.reset();
    else if (step.stopTimer == 2)
        m_timer2Due.reset();
    const qint64 due = m_clock.milliseconds() + MicrophoneTest::TimerMs;
    if (step.startTimer == 1)
        m_timer1Due = due;
    else if (step.startTimer == 2)
        m_timer2Due = due;
    m_record->setText(step.buttonText);
    if (!step.error.isEmpty()) {
        m_note->setText(step.error);
        m_note->show();
    }
}

void MicrophoneDialog::volumeChangedElsewhere(int volume)
{
    if (m_closed || !m_volume || m_slider->isSliderDown())
        return;
    const int max = m_volume->volumeMax();
    // Our own level coming back: rounding both ways may not return the same position.
    if (microphonescale::sliderToVolume(m_slider->value(), max) == volume)
        return;
    const std::optional<int> position = microphonescale::volumeToSlider(volume, max);
    if (!position)
        return;
    m_followingVolume = true;
    m_slider->setValue(*position);
    m_followingVolume = false;
}
