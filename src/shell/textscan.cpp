#include "shell/textscan.h"

#include <QFile>

#include <limits>

namespace textscan {

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r') ||
           c == QLatin1Char('\v') || c == QLatin1Char('\f');
}

bool isDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

qsizetype skipBlanks(QStringView s, qsizetype i)
{
    while (i < s.size() && isBlank(s[i]))
        ++i;
    return i;
}

} // namespace

std::optional<int> leadingInt(QStringView s, qsizetype* end)
{
    qsizetype i = skipBlanks(s, 0);
    bool negative = false;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+')))
        negative = s[i++] == QLatin1Char('-');
    if (i >= s.size() || !isDigit(s[i]))
        return std::nullopt;
    qint64 value = 0;
    bool overflow = false;
    for (; i < s.size() && isDigit(s[i]); ++i) {
        value = value * 10 + (s[i].unicode() - '0');
        // Past 2^31 the number cannot fit; stop growing so the 64-bit value cannot overflow.
        if (value > qint64(std::numeric_limits<int>::max()) + 1) {
            overflow = true;
            value = qint64(std::numeric_limits<int>::max()) + 1;
        }
    }
    if (negative)
        value = -value;
    if (overflow || value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return std::nullopt;
    if (end)
        *end = i;
    return int(value);
}

std::optional<double> leadingFloat(QStringView s)
{
    const qsizetype start = skipBlanks(s, 0);
    qsizetype i = start;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+')))
        ++i;
    qsizetype digits = 0;
    while (i < s.size() && isDigit(s[i]))
        ++i, ++digits;
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        ++i;
        while (i < s.size() && isDigit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    if (i < s.size() && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < s.size() && (s[j] == QLatin1Char('-') || s[j] == QLatin1Char('+')))
            ++j;
        if (j < s.size() && isDigit(s[j])) {
            while (j < s.size() && isDigit(s[j]))
                ++j;
            i = j;
        }
    }
    bool ok = false;
    const double value = s.mid(start, i - start).toString().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<QStringList> readLatin1Lines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    QStringList lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        if (end < 0)
            end = bytes.size();
        qsizetype stop = end;
        if (stop > start && bytes.at(stop - 1) == '\r')
            --stop;
        lines.append(QString::fromLatin1(bytes.constData() + start, stop - start));
        start = next;
    }
    return lines;
}

} // namespace textscan
