#include "desktop/dialogs/programsettingsdialog.h"

#include "desktop/dialogs/dialogplacement.h"
#include "desktop/widgets/skinresources.h"
#include "shell/programsettings.h"
#include "shell/weblinks.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

QPushButton* setupButton(const QString& name, QWidget* parent)
{
    auto* button = new QPushButton(QStringLiteral("Setup"), parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QGroupBox* groupAround(const QString& title, QWidget* content, QWidget* parent)
{
    auto* group = new QGroupBox(title, parent);
    auto* layout = new QHBoxLayout(group);
    layout->addWidget(content);
    layout->addStretch(1);
    return group;
}

} // namespace

ProgramSettingsDialog::ProgramSettingsDialog(ProgramSettings& settings, const SkinResources& skin,
                                             const DialogActions& actions, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_actions(actions)
{
    setObjectName(QStringLiteral("PROGRAM_BOX"));
    setWindowTitle(QStringLiteral("Settings"));
    setModal(true);

    auto* header = new QLabel(QStringLiteral("Settings"), this);
    header->setObjectName(QStringLiteral("header"));
    header->setFont(skin.labelFont());

    auto* accountSetup = setupButton(QStringLiteral("accountSetup"), this);
    accountSetup->setEnabled(bool(m_actions.openAccount));
    connect(accountSetup, &QPushButton::clicked, this, [this] { m_actions.openAccount(this, 0); });
    auto* microphoneSetup = setupButton(QStringLiteral("microphoneSetup"), this);
    microphoneSetup->setEnabled(bool(m_actions.openMicrophone));
    connect(microphoneSetup, &QPushButton::clicked, this, [this] { m_actions.openMicrophone(this, 0); });

    m_clearWarning = new QCheckBox(QStringLiteral("Show \"Clear audio\" warning"), this);
    m_clearWarning->setObjectName(QStringLiteral("clearAudioWarning"));
    m_clearWarning->setChecked(settings.hideClearAudio() == 0);
    m_recordOverWarning = new QCheckBox(QStringLiteral("Show \"Recording over audio\" warning"), this);
    m_recordOverWarning->setObjectName(QStringLiteral("recordOverWarning"));
    m_recordOverWarning->setChecked(settings.hideRecordOverAudio() == 0);
    auto* notifications = new QGroupBox(QStringLiteral("Notifications"), this);
    auto* notificationLayout = new QVBoxLayout(notifications);
    notificationLayout->addWidget(m_clearWarning);
    notificationLayout->addWidget(m_recordOverWarning);

    m_evenLoudness = new QCheckBox(QStringLiteral("Even out the loudness of published narrations"), this);
    m_evenLoudness->setObjectName(QStringLiteral("evenLoudness"));
    m_evenLoudness->setToolTip(
        QStringLiteral("Published and exported narrations are brought to one loudness, so no slide or segment is "
                       "much louder or quieter than the others. Your recordings themselves are not changed."));
    m_evenLoudness->setChecked(settings.evenLoudness());
    auto* publishing = groupAround(QStringLiteral("Publishing"), m_evenLoudness, this);

    auto* help = new QPushButton(QStringLiteral("Help"), this);
    help->setObjectName(QStringLiteral("help"));
    help->setAutoDefault(false);
    help->setEnabled(bool(m_actions.openHelpPage));
    connect(help, &QPushButton::clicked, this, [this] { m_actions.openHelpPage(weblinks::SettingsPage); });
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(help);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header);
    layout->addWidget(groupAround(QStringLiteral("User Settings"), accountSetup, this));
    layout->addWidget(groupAround(QStringLiteral("Microphone Setup"), microphoneSetup, this));
    layout->addWidget(notifications);
    layout->addWidget(publishing);
    layout->addLayout(buttons);
}

void ProgramSettingsDialog::accept()
{
    m_settings.setHideClearAudio(m_clearWarning->isChecked() ? 0 : 1);
    m_settings.setHideRecordOverAudio(m_recordOverWarning->isChecked() ? 0 : 1);
    m_settings.setEvenLoudness(m_evenLoudness->isChecked());
    QDialog::accept();
}

void ProgramSettingsDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        placeOverOwner(*this);
}
