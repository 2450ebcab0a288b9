#include "desktop/widgets/limitedtextedit.h"

#include "story/text.h"

#include <QTextCursor>
#include <QTextDocument>

namespace {

// Characters a document character takes at most when stored: any line break becomes CR LF.
int storedCost(QChar c)
{
    const bool lineBreak =
        c == QChar::ParagraphSeparator || c == QChar::LineSeparator || c == QLatin1Char('\n') || c == QLatin1Char('\r');
    return lineBreak ? 2 : 1;
}

} // namespace

LimitedTextEdit::LimitedTextEdit(int limit, QWidget* parent) : QPlainTextEdit(parent), m_limit(limit)
{
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, &LimitedTextEdit::enforceLimit);
}

void LimitedTextEdit::setStoredText(const QString& text)
{
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    setPlainText(plain);
}

QString LimitedTextEdit::storedText(int readLimit) const
{
    QString stored = text::cut(text::normalizeLineBreaks(toPlainText()), readLimit + 1);
    if (stored.endsWith(QLatin1Char('\r')))
        stored.chop(1);
    return stored;
}

int LimitedTextEdit::storedLength() const
{
    return int(text::normalizeLineBreaks(toPlainText()).size());
}

void LimitedTextEdit::enforceLimit()
{
    if (m_enforcing)
        return;
    int excess = storedLength() - m_limit;
    if (excess <= 0)
        return;
    m_enforcing = true;
    QTextDocument* doc = document();
    QTextCursor cursor = textCursor();
    // What was just typed or pasted ends at the cursor: drop from there backwards, then from
    // the end when the cursor is at the start (a text set from outside).
    int end = cursor.position();
    int start = end;
    while (excess > 0 && start > 0) {
        excess -= storedCost(doc->characterAt(start - 1));
        --start;
    }
    if (start > 0 && doc->characterAt(start).isLowSurrogate() && doc->characterAt(start - 1).isHighSurrogate())
        --start;
    QTextCursor cut(doc);
    cut.setPosition(start);
    cut.setPosition(end, QTextCursor::KeepAnchor);
    cut.removeSelectedText();
    if (excess > 0) {
        const int last = doc->characterCount() - 1;
        int from = last;
        while (excess > 0 && from > 0) {
            excess -= storedCost(doc->characterAt(from - 1));
            --from;
        }
        if (from > 0 && doc->characterAt(from).isLowSurrogate() && doc->characterAt(from - 1).isHighSurrogate())
            --from;
        QTextCursor tail(doc);
        tail.setPosition(from);
        tail.setPosition(last, QTextCursor::KeepAnchor);
        tail.removeSelectedText();
    }
    m_enforcing = false;
}
