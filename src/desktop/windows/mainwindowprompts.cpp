#include "desktop/windows/mainwindow.h"

#include "desktop/widgets/thumbnailstrip.h"
#include "shell/programdata.h"
#include "shell/programfolder.h"

#include <QDir>

void MainWindow::connectPrompts()
{
    m_strip->setRemovalQuestion([this](const QString& question) {
        return m_services.prompter.askYesNo(QStringLiteral("Pictorelle"), question);
    });
    // A help page that is not there is named in a message instead of being handed to a browser
    // that fails on it without a word.
    m_actions.openHelpPage = browserDialogActions(m_services.browser, m_services.programFolder, m_services.serviceBase,
                                                  [this](const QString& text) {
                                                      m_services.prompter.inform(QStringLiteral("Pictorelle"), text,
                                                                                 Prompter::Icon::Warning);
                                                  })
                                 .openHelpPage;
}

void MainWindow::reportMissingData()
{
    const QString text = programdata::startUpMessage(programdata::tableProblems(m_services.programFolder));
    if (!text.isEmpty())
        m_services.prompter.inform(QStringLiteral("Pictorelle"), text, Prompter::Icon::Warning);
}

void MainWindow::saveSettingsNow()
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
