#include "desktop/dialogs/cuecardwindow.h"

#include "desktop/dialogs/dialogplacement.h"
#include "desktop/widgets/skinresources.h"
#include "shell/programsettings.h"
#include "story/editslidetextcommand.h"
#include "story/slide.h"
#include "story/story.h"
#include "story/text.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// The box's text as the slide keeps it: line breaks as CR LF, at most LongestNote units.
QString noteForSlide(const QString& boxText)
{
    QString note = text::cut(text::normalizeLineBreaks(boxText), CueCardWindow::LongestNote + 1);
    // A CR whose LF was cut off would grow back into a pair, one unit over the limit.
    if (note.endsWith(QLatin1Char('\r')))
        note.chop(1);
    return note;
}

} // namespace

CueCardWindow::CueCardWindow(Story& story, ProgramSettings& settings, const SkinResources& skin, QWidget* owner)
    : QDialog(owner), m_story(story), m_settings(settings)
{
    setObjectName(QStringLiteral("CUE_BOX"));
    setWindowTitle(QStringLiteral("Cue Card"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);

    m_header = new QLabel(this);
    m_header->setObjectName(QStringLiteral("cueHeader"));
    m_header->setFont(skin.labelFont());
    auto* explanationLabel = new QLabel(explanation(), this);
    explanationLabel->setObjectName(QStringLiteral("cueExplanation"));
    explanationLabel->setTextFormat(Qt::PlainText);
    explanationLabel->setWordWrap(true);
    m_note = new QPlainTextEdit(this);
    m_note->setObjectName(QStringLiteral("cueNote"));
    m_note->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves between the controls; a note has no use for tab characters.
    m_note->setTabChangesFocus(true);
    m_note->setMinimumSize(320, 180);
    m_prev = new QPushButton(QStringLiteral("<<  &Prev"), this);
    m_prev->setObjectName(QStringLiteral("cuePrev"));
    m_next = new QPushButton(QStringLiteral("&Next  >>"), this);
    m_next->setObjectName(QStringLiteral("cueNext"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("cueClose"));
    for (QPushButton* button : {m_prev, m_next, close})
        button->setAutoDefault(false);

    connect(m_prev, &QPushButton::clicked, this, [this] { emit mainWindowCommand(PreviousSlide); });
    connect(m_next, &QPushButton::clicked, this, [this] { emit mainWindowCommand(NextSlide); });
    connect(close, &QPushButton::clicked, this, [this] { command(Close, -1); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_prev);
    buttons->addWidget(m_next);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_header);
    layout->addWidget(explanationLabel);
    layout->addWidget(m_note, 1);
    layout->addLayout(buttons);
    setLayout(layout);

    m_prev->setEnabled(false);
    m_next->setEnabled(false);
    showSlide(m_story.currentIndex());
    m_note->setFocus();
}

void CueCardWindow::showEvent(QShowEvent* event)
{
    // Placed once its frame is known, so that all of it lands on the screen.
    if (!m_placed) {
        m_placed = true;
        const QPoint saved(m_settings.cueX(), m_settings.cueY());
        if (saved == QPoint(0, 0) && parentWidget()) {
            placeBesideOwner();
        } else {
            // Kept on the screen it was left on; one that is gone gives way to the owner's.
            const QScreen* screen = QGuiApplication::screenAt(saved);
            const QRect area = screen ? screen->availableGeometry() : availableScreenArea(parentWidget());
            move(keptInside(saved, frameGeometry().size(), area));
        }
    }
    QDialog::showEvent(event);
}

void CueCardWindow::placeBesideOwner()
{
    const QWidget* owner = parentWidget();
    if (!owner)
        return;
    const QWidget* main = owner->window();
    move(besideWindow(main->frameGeometry(), frameGeometry().size(), availableScreenArea(main)));
}

QString CueCardWindow::explanation()
{
    return QStringLiteral("Use Cue Cards to help you narrate each slide by first typing notes of what you're going "
                          "to say.\n\nCue Cards are not sent to the PictorelleWeb website when the Pictorelle is "
                          "published.");
}

void CueCardWindow::command(int id, int index)
{
    if (m_closed)
        return;
    switch (id) {
    case ShowSlide:
        storeSlide(m_shownIndex);
        showSlide(index);
        break;
    case SlideMoved:
        // A stale index would send the note on screen nowhere when it is stored.
        if (isInStory(index)) {
            m_shownIndex = index;
            retitle(index);
            enableButtons(index);
        }
        break;
    case Close:
    case Cancel:
        done(QDialog::Rejected);
        break;
    default:
        break;
    }
}

void CueCardWindow::done(int result)
{
    if (!m_closed) {
        m_closed = true;
        m_settings.setCueX(x());
        m_settings.setCueY(y());
        storeSlide(m_shownIndex);
        emit closed();
    }
    QDialog::done(result);
}

void CueCardWindow::showSlide(int index)
{
    if (!isInStory(index))
        return;
    m_shownIndex = index;
    // What is typed on this card until another is shown is one undo step.
    m_editSession = nextEditSession();
    enableButtons(index);
    m_note->setPlainText(m_story.slideAt(index)->cueText());
    retitle(index);
}

void CueCardWindow::storeSlide(int index)
{
    if (!isInStory(index))
        return;
    // A note stored as it was is no change (the push is refused).
    m_story.push(new EditSlideTextCommand(m_story, index, EditField::CueText, noteForSlide(m_note->toPlainText()),
                                          m_editSession));
}

void CueCardWindow::storeTypedNote()
{
    if (!isInStory(m_shownIndex))
        return;
    const QString typed = noteForSlide(m_note->toPlainText());
    if (typed != m_story.slideAt(m_shownIndex)->cueText())
        storeSlide(m_shownIndex);
}

void CueCardWindow::retitle(int index)
{
    m_header->setText(QStringLiteral("Slide %1").arg(index + 1));
}

void CueCardWindow::enableButtons(int index)
{
    m_prev->setEnabled(index > 0);
    m_next->setEnabled(index < m_story.count() - 1);
}

bool CueCardWindow::isInStory(int index) const
{
    return index >= 0 && index < m_story.count();
}
