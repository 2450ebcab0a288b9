#include "story/text.h"

namespace text {

QString cut(const QString& s, int capacity)
{
    const int limit = capacity - 1;
    if (limit <= 0)
        return {};
    if (s.size() <= limit)
        return s;
    int n = limit;
    // Keep a surrogate pair whole: drop a high surrogate whose partner would be cut off.
    if (s.at(n - 1).isHighSurrogate() && s.at(n).isLowSurrogate())
        --n;
    return s.left(n);
}

QString normalizeLineBreaks(const QString& s)
{
    if (!s.contains(QLatin1Char('\r')) && !s.contains(QLatin1Char('\n')))
        return s;
    QString out;
    out.reserve(s.size() + 16);
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == QLatin1Char('\r')) {
            out += QLatin1String("\r\n");
            if (i + 1 < s.size() && s.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('\n')) {
            out += QLatin1String("\r\n");
        } else {
            out += c;
        }
    }
    return out;
}

QString oneLine(const QString& s)
{
    QString out = s;
    out.replace(QLatin1String("\r\n"), QLatin1String(" "));
    out.replace(QLatin1Char('\r'), QLatin1Char(' '));
    out.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return out;
}

QString formatDuration(int seconds)
{
    const int minutes = seconds / 60;
    const int rest = seconds % 60;
    return rest > 9 ? QString::asprintf("%d:%d", minutes, rest) : QString::asprintf("%d:0%d", minutes, rest);
}

} // namespace text
