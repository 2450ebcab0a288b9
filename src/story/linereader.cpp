#include "story/linereader.h"

#include <QtEndian>

#include <limits>

std::optional<QString> LineReader::read(int maxChars)
{
    if (atEnd() || maxChars <= 0)
        return std::nullopt;
    const qsizetype limit = std::min<qsizetype>(m_text.size() - m_pos, maxChars);
    qsizetype n = 0;
    while (n < limit) {
        if (m_text.at(m_pos + n++) == QLatin1Char('\n'))
            break;
    }
    QString piece = m_text.mid(m_pos, n);
    m_pos += n;
    return piece;
}

std::optional<QString> LineReader::readLine(int maxChars)
{
    auto piece = read(maxChars);
    if (!piece)
        return std::nullopt;
    const bool wholeLastLine = atEnd() && !piece->endsWith(QLatin1Char('\n')) && piece->size() < maxChars;
    if (!wholeLastLine && !piece->isEmpty())
        piece->chop(1);
    return piece;
}

std::optional<QString> LineReader::readKeyLine(bool* cut)
{
    for (;;) {
        const bool startsLine = atLineStart();
        auto line = readLine();
        if (!line)
            return std::nullopt;
        if (!startsLine)
            continue;
        if (cut)
            *cut = !atLineStart() && !atEnd();
        return line;
    }
}

QString LineReader::readChars(int count)
{
    if (count <= 0 || atEnd())
        return {};
    const qsizetype limit = std::min<qsizetype>(m_text.size() - m_pos, count);
    qsizetype n = 0;
    while (n < limit && m_text.at(m_pos + n) != QLatin1Char('\n'))
        ++n;
    QString piece = m_text.mid(m_pos, n);
    m_pos += n;
    return piece;
}

std::optional<int> leadingInt(QStringView s)
{
    qsizetype i = 0;
    while (i < s.size() && (s[i] == QLatin1Char(' ') || s[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+')))
        negative = s[i++] == QLatin1Char('-');
    if (i >= s.size() || !s[i].isDigit() || s[i].unicode() > '9')
        return std::nullopt;
    qint64 value = 0;
    for (; i < s.size() && s[i].unicode() >= '0' && s[i].unicode() <= '9'; ++i) {
        value = value * 10 + (s[i].unicode() - '0');
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            value = qint64(std::numeric_limits<int>::max()) + 1;
    }
    if (negative)
        value = -value;
    value = std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    return int(value);
}

QString fromUtf16Le(const QByteArray& bytes)
{
    const qsizetype units = bytes.size() / 2;
    QString text(units, Qt::Uninitialized);
    const uchar* p = reinterpret_cast<const uchar*>(bytes.constData());
    for (qsizetype i = 0; i < units; ++i)
        text[i] = QChar(qFromLittleEndian<quint16>(p + 2 * i));
    return text;
}

QByteArray toUtf16Le(const QString& text)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    uchar* p = reinterpret_cast<uchar*>(bytes.data());
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text.at(i).unicode(), p + 2 * i);
    return bytes;
}
