#include "desktop/windows/programdialogs.h"

#include "audio/microphonevolume.h"
#include "desktop/dialogs/aboutdialog.h"
#include "desktop/dialogs/accountdialog.h"
#include "desktop/dialogs/dialogactions.h"
#include "desktop/dialogs/microphonedialog.h"
#include "desktop/dialogs/programsettingsdialog.h"
#include "desktop/dialogs/prompter.h"
#include "desktop/dialogs/tutorialdialog.h"
#include "shell/programdata.h"
#include "shell/programfolder.h"
#include "shell/programsettings.h"
#include "shell/settingsfile.h"
#include "shell/useraccount.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

ProgramDialogs::ProgramDialogs(const Services& services, QWidget& window)
    : QObject(&window), m_services(services), m_window(window)
{}

void ProgramDialogs::programSettings()
{
    ProgramSettingsDialog dialog(m_services.settings, m_services.skin, m_services.actions, &m_window);
    // What OK stores survives a crash: the file is written now, not only at the exit.
    if (dialog.exec() == QDialog::Accepted)
        saveSettingsNow();
}

void ProgramDialogs::account(QWidget* owner, int parameter)
{
    AccountDialog dialog(m_services.account, m_services.programFolder, parameter, m_services.actions,
                         owner ? owner : &m_window);
    if (dialog.exec() == QDialog::Accepted)
        saveSettingsNow();
}

void ProgramDialogs::tutorial()
{
    TutorialDialog dialog(m_services.skin, m_services.actions, &m_window);
    dialog.exec();
}

void ProgramDialogs::about()
{
    AboutDialog dialog(m_services.skin, m_services.actions, &m_window);
    dialog.exec();
}

void ProgramDialogs::microphone(QWidget* owner)
{
    const QString device = m_services.settings.inputDevice();
    std::unique_ptr<MicrophoneVolume> volume;
    if (m_services.microphoneVolume)
        volume = m_services.microphoneVolume(device);
    MicrophoneDialog dialog(m_services.audio, m_services.player, volume.get(), m_services.settings, m_services.clock,
                            m_services.programFolder, m_services.actions, m_services.skin, owner ? owner : &m_window);
    dialog.setVolumeOpener(m_services.microphoneVolume);
    dialog.exec();
    // The choice survives a crash: the file is written now, not only at the exit.
    if (m_services.settings.inputDevice() != device)
        saveSettingsNow();
}

void ProgramDialogs::startUp(bool firstStart)
{
    const QString missing = programdata::startUpMessage(programdata::tableProblems(m_services.programFolder));
    if (!missing.isEmpty())
        m_services.prompter.inform(QStringLiteral("Pictorelle"), missing, Prompter::Icon::Warning);
    if (firstStart)
        tutorial();
    // Asked at every start until both are filled in; the user may cancel.
    if (m_services.account.userName().isEmpty() || m_services.account.password().isEmpty())
        account(&m_window, 0);
}

bool ProgramDialogs::loadSettings(QSize minimumSize)
{
    ProgramSettings& settings = m_services.settings;
    const bool opened =
        SettingsFile::load(programfolder::settingsFile(m_services.programFolder), settings, m_services.account);
    QRect frame(settings.windowX(), settings.windowY(), settings.windowWidth(), settings.windowHeight());
    // A window stored on a screen that is gone comes back onto the primary one.
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(QRect(frame.topLeft(), QSize(100, 40))))
            onScreen = true;
    }
    if (!onScreen && QGuiApplication::primaryScreen())
        frame.moveTopLeft(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
    m_window.move(frame.topLeft());
    m_window.resize(frame.size().expandedTo(minimumSize));
    return opened;
}

bool ProgramDialogs::saveSettings()
{
    ProgramSettings& settings = m_services.settings;
    const QRect frame(m_window.pos(), m_window.size());
    settings.setWindowX(frame.x());
    settings.setWindowY(frame.y());
    settings.setWindowWidth(frame.width());
    settings.setWindowHeight(frame.height());
    return SettingsFile::save(programfolder::settingsFile(m_services.programFolder), settings, m_services.account);
}

void ProgramDialogs::saveSettingsNow()
{
    if (saveSettings())
        return;
    // Kept in memory: the exit tries again.
    m_services.prompter.inform(
        QStringLiteral("Pictorelle"),
        QStringLiteral("The settings could not be written to %1. They stay in use and are written again when "
                       "the program ends.")
            .arg(QDir::toNativeSeparators(programfolder::settingsFile(m_services.programFolder))),
        Prompter::Icon::Error);
}
