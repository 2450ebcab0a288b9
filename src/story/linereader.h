#pragma once

#include <QString>

#include <optional>

//! Reads the lines of a story file held in memory (UTF-16 code units) the way the
//! file format expects: a read takes at most a given number of characters or up
//! to and including the line feed, so an over-long line arrives in pieces.
class LineReader
{
public:
    explicit LineReader(QString text) : m_text(std::move(text)) {}

    //! Reads up to maxChars characters, stopping after a line feed; nullopt at the end.
    std::optional<QString> read(int maxChars = 1023);
    //! A read with its last character dropped (the line feed of a whole line; for an
    //! over-long line's piece the character that stood where the feed would be). A
    //! last line without a line feed is kept whole.
    std::optional<QString> readLine(int maxChars = 1023);
    //! Up to count characters, stopping before a line feed, which stays unread.
    QString readChars(int count);
    bool atEnd() const { return m_pos >= m_text.size(); }
    //! The next read starts a line: at the start of the text or just after a line feed. False
    //! after a piece of an over-long line, whose rest the next read returns.
    bool atLineStart() const { return m_pos == 0 || m_text.at(m_pos - 1) == QLatin1Char('\n'); }
    //! The next readLine that begins a line: the rest of an over-long line is passed over,
    //! so text inside a field never reads as a key. cut (when given) tells whether the line
    //! went on past this read. nullopt at the end.
    std::optional<QString> readKeyLine(bool* cut = nullptr);

private:
    QString m_text;
    qsizetype m_pos = 0;
};

//! The decimal number at the start of s, as "%d" reads it (leading blanks, a sign);
//! nullopt when there is none. Values beyond 32 bits are clamped.
std::optional<int> leadingInt(QStringView s);

//! UTF-16LE bytes (no byte-order mark) to text; an odd last byte is ignored.
QString fromUtf16Le(const QByteArray& bytes);
//! Text to UTF-16LE bytes without a byte-order mark.
QByteArray toUtf16Le(const QString& text);
