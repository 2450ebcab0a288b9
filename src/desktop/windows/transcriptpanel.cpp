#include "desktop/windows/transcriptpanel.h"

#include "desktop/widgets/skinresources.h"
#include "desktop/windows/mainlayout.h"
#include "desktop/windows/panellabels.h"
#include "story/editstorytextcommand.h"
#include "story/publishtranscriptcommand.h"
#include "story/story.h"
#include "story/text.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QTextCursor>

TranscriptPanel::TranscriptPanel(Story& story, const SkinResources& skin, QWidget* canvas)
    : QObject(canvas), m_story(story), m_editSession(nextEditSession())
{
    m_box = new QPlainTextEdit(canvas);
    m_box->setObjectName(QStringLiteral("transcript"));
    m_box->setFont(skin.textFont());
    m_box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_box->setTabChangesFocus(true);
    m_box->installEventFilter(this);
    connect(m_box, &QPlainTextEdit::textChanged, this, &TranscriptPanel::typed);
    m_check = new QCheckBox(QStringLiteral("Publish Audio Transcript (optional)"), canvas);
    m_check->setObjectName(QStringLiteral("transcriptPublish"));
    connect(m_check, &QCheckBox::clicked, this, [this](bool checked) {
        if (!m_story.push(new PublishTranscriptCommand(m_story, checked)))
            refresh();
    });
    m_heading = makePanelLabel(canvas, QStringLiteral("Audio Transcript"), skin.largeFont(), Qt::AlignLeft,
                               "transcriptHeading");
    connect(&story, &Story::storyInfoChanged, this, &TranscriptPanel::refresh);
    connect(&story, &Story::storyReset, this, &TranscriptPanel::refresh);
    refresh();
}

void TranscriptPanel::place(const MainLayout& layout)
{
    placeOrHide(m_heading, layout.transcriptHeading);
    placeOrHide(m_check, layout.transcriptCheck);
    placeOrHide(m_box, layout.transcriptBox);
}

void TranscriptPanel::refresh()
{
    if (!m_story.isPodcast())
        return;
    m_check->setChecked(m_story.transcriptPublish());
    // The story keeps CR LF line breaks; the box's own text is left alone when it says the same.
    if (text::normalizeLineBreaks(m_box->toPlainText()) == m_story.transcript())
        return;
    const QScopedValueRollback filling(m_filling, true);
    m_box->setPlainText(m_story.transcript());
}

bool TranscriptPanel::eventFilter(QObject* watched, QEvent* event)
{
    // Each visit to the box is one undo step of typing.
    if (watched == m_box && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        m_editSession = nextEditSession();
    return QObject::eventFilter(watched, event);
}

void TranscriptPanel::typed()
{
    if (m_filling)
        return;
    limit();
    if (m_story.isPodcast())
        m_story.push(new EditStoryTextCommand(m_story, EditField::Transcript, m_box->toPlainText(), m_editSession));
}

void TranscriptPanel::limit()
{
    const QString text = m_box->toPlainText();
    if (text.size() <= Limit)
        return;
    // Typing or pasting past the limit keeps the first 50000 characters, as the box's limit does.
    QTextCursor cursor = m_box->textCursor();
    const int position = std::min(cursor.position(), int(Limit));
    const QScopedValueRollback filling(m_filling, true);
    m_box->setPlainText(text.left(Limit));
    cursor = m_box->textCursor();
    cursor.setPosition(position);
    m_box->setTextCursor(cursor);
}
