#include "desktop/dialogs/dialogprompter.h"

#include "audio/audiofiledecoder.h"
#include "desktop/dialogs/promptdialog.h"
#include "desktop/widgets/skinresources.h"
#include "shell/picturefiles.h"
#include "shell/programsettings.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

namespace {

QMessageBox::Icon boxIcon(Prompter::Icon icon)
{
    switch (icon) {
    case Prompter::Icon::Information:
        return QMessageBox::Information;
    case Prompter::Icon::Warning:
        return QMessageBox::Warning;
    case Prompter::Icon::Error:
        break;
    }
    return QMessageBox::Critical;
}

} // namespace

DialogPrompter::DialogPrompter(ProgramSettings& settings) : m_settings(settings)
{}

void DialogPrompter::setOwner(QWidget* owner, const SkinResources* skin)
{
    m_owner = owner;
    m_skin = skin;
}

Prompter::SaveAnswer DialogPrompter::askSaveChanges()
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Pictorelle "),
                    QStringLiteral("Save changes to this Pictorelle?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_owner);
    box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return SaveAnswer::Yes;
    case QMessageBox::No:
        return SaveAnswer::No;
    default:
        return SaveAnswer::Cancel;
    }
}

void DialogPrompter::inform(const QString& caption, const QString& text, Prompter::Icon icon)
{
    QMessageBox box(boxIcon(icon), caption, text, QMessageBox::Ok, m_owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool DialogPrompter::confirmNarrationPrompt(NarrationPrompt prompt)
{
    const bool recordOver = prompt == NarrationPrompt::RecordOver;
    if ((recordOver ? m_settings.hideRecordOverAudio() : m_settings.hideClearAudio()) == 1)
        return true;
    const QPixmap icon = m_skin ? m_skin->face(513, QSize(32, 32)) : QPixmap();
    PromptDialog dialog(recordOver ? PromptDialog::Kind::RecordOver : PromptDialog::Kind::Clear, icon, m_owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (dialog.dontShowAgain()) {
        if (recordOver)
            m_settings.setHideRecordOverAudio(1);
        else
            m_settings.setHideClearAudio(1);
    }
    return true;
}

QString DialogPrompter::choosePicture(const QString& folder)
{
    return QFileDialog::getOpenFileName(m_owner, QStringLiteral("Attach File"), folder, slidePictureFilter());
}

QStringList DialogPrompter::choosePictures(const QString& folder)
{
    return QFileDialog::getOpenFileNames(m_owner, QStringLiteral("Add Slide"), folder, slidePictureFilter());
}

void DialogPrompter::informAddress(const QString& caption, const QString& text, const QUrl& address)
{
    QMessageBox box(QMessageBox::Warning, caption, text + QStringLiteral("\n\n") + address.toString(), QMessageBox::Ok,
                    m_owner);
    box.setObjectName(QStringLiteral("addressBox"));
    box.setTextFormat(Qt::PlainText);
    // The address is there to be copied into a browser by hand.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.exec();
}

bool DialogPrompter::askYesNo(const QString& caption, const QString& question)
{
    QMessageBox box(QMessageBox::Question, caption, question, QMessageBox::Yes | QMessageBox::No, m_owner);
    box.setTextFormat(Qt::PlainText);
    // Enter on a question that throws something away keeps it.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString DialogPrompter::chooseSaveFile(const QString& caption, const QString& suggested, const QString& filter)
{
    return QFileDialog::getSaveFileName(m_owner, caption, suggested, filter);
}

QString DialogPrompter::chooseAudioFile(const QString& folder)
{
    return QFileDialog::getOpenFileName(m_owner, QStringLiteral("Import Audio"), folder,
                                        AudioFileDecoder::fileFilter() + QStringLiteral(";;All files (*)"));
}

bool DialogPrompter::askKeepBeginning(const QString& question, const QString& keepText)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pictorelle"), question, QMessageBox::NoButton, m_owner);
    box.setTextFormat(Qt::PlainText);
    QPushButton* keep = box.addButton(keepText, QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(keep);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == keep;
}

bool DialogPrompter::askRestore(const QString& question)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pictorelle"), question, QMessageBox::Yes | QMessageBox::No,
                    m_owner);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void DialogPrompter::showMessage(const QString& caption, const QString& text, Messenger::Icon icon)
{
    const Prompter::Icon shown = icon == Messenger::Icon::Information ? Prompter::Icon::Information
                                 : icon == Messenger::Icon::Warning   ? Prompter::Icon::Warning
                                                                      : Prompter::Icon::Error;
    if (QThread::currentThread() == qApp->thread()) {
        inform(caption, text, shown);
        return;
    }
    QMetaObject::invokeMethod(
        qApp, [this, caption, text, shown] { inform(caption, text, shown); }, Qt::QueuedConnection);
}
