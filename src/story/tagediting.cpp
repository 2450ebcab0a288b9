#include "story/tagediting.h"

#include "story/text.h"

#include <algorithm>
#include <utility>

void TagEditing::load(const QString& tags)
{
    m_tags.clear();
    const QStringList words = tags.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& word : words)
        insertSorted(word);
    m_budget = int(tags.size());
}

int TagEditing::add(const QString& typed)
{
    const QString tag = filtered(text::cut(typed, NewTagLimit + 1));
    if (tag.isEmpty())
        return -1;
    // A tag that an existing one begins with would only repeat it.
    for (const QString& existing : std::as_const(m_tags)) {
        if (existing.startsWith(tag, Qt::CaseInsensitive))
            return -1;
    }
    const int cost = int(tag.size()) + 1;
    if (m_budget + cost >= Capacity)
        return -1;
    m_budget += cost;
    return insertSorted(tag);
}

int TagEditing::remove(int row)
{
    if (row < 0 || row >= m_tags.size())
        return -1;
    m_tags.removeAt(row);
    return std::min(row, int(m_tags.size()) - 1);
}

QString TagEditing::joined() const
{
    QString result;
    for (const QString& tag : m_tags) {
        const qsizetype separator = result.isEmpty() ? 0 : 1;
        // Everything that fits the field is kept: the joined text may use all 511 characters.
        if (tag.isEmpty() || result.size() + separator + tag.size() > Capacity - 1)
            continue;
        if (separator)
            result += QLatin1Char(' ');
        result += tag;
    }
    return result;
}

QString TagEditing::filtered(const QString& typed)
{
    static const QString Escaped = QStringLiteral("%20");
    QString tag;
    tag.reserve(typed.size());
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QChar c = typed.at(i);
        if (c == QLatin1Char(' ') || c == QLatin1Char(';'))
            continue;
        if (QStringView(typed).mid(i, 3) == Escaped) {
            i += 2;
            continue;
        }
        tag += c;
    }
    return tag;
}

int TagEditing::insertSorted(const QString& tag)
{
    // After every tag that sorts the same, as a sorted list box inserts.
    int row = 0;
    while (row < m_tags.size() && QString::compare(m_tags.at(row), tag, Qt::CaseInsensitive) <= 0)
        ++row;
    m_tags.insert(row, tag);
    return row;
}
