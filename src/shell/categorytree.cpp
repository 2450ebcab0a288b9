#include "shell/categorytree.h"

#include "shell/textscan.h"
#include "story/text.h"

namespace {

constexpr int MinimumId = 1000000;
// The name follows the first comma at this 0-based position or later: the comma after
// the flag when the id has seven digits and level and flag one digit each.
constexpr qsizetype NameCommaFrom = 11;
constexpr int HeaderLines = 5;

// Reads "%d,%d,%d" from the start of the line; numbers that are missing keep their defaults.
void scanNumbers(QStringView line, CategoryEntry& entry)
{
    int flag = 0;
    int* const fields[] = {&entry.id, &entry.level, &flag};
    qsizetype pos = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (pos >= line.size() || line[pos] != QLatin1Char(','))
                break;
            ++pos;
        }
        qsizetype end = 0;
        const auto number = textscan::leadingInt(line.mid(pos), &end);
        if (!number)
            break;
        *fields[i] = *number;
        pos += end;
    }
    entry.leaf = flag != 0;
}

} // namespace

bool CategoryTree::load(const QString& path)
{
    clear();
    const auto lines = textscan::readLatin1Lines(path);
    if (!lines)
        return false;
    const auto header = [&lines](int index) -> QStringView {
        return index < lines->size() ? QStringView(lines->at(index)) : QStringView();
    };
    if (const auto version = textscan::leadingFloat(header(0)))
        m_version = float(*version);
    if (m_version > 1.0f)
        return false;
    for (int level = 0; level < Levels; ++level)
        m_declared[level] = textscan::leadingInt(header(level + 1)).value_or(0);
    // Bounds of the arrays: fewer than 100 level-1 entries, fewer than 100 per parent below.
    // 64-bit products so that a hostile header cannot overflow.
    m_allocated[0] = m_declared[0] >= 0 && m_declared[0] < 100;
    for (int level = 1; level < Levels; ++level)
        m_allocated[level] = m_declared[level] >= 0 && qint64(m_declared[level]) < qint64(m_declared[level - 1]) * 100;

    for (qsizetype i = HeaderLines; i < lines->size(); ++i) {
        const QStringView line(lines->at(i));
        CategoryEntry entry;
        scanNumbers(line, entry);
        const qsizetype comma = line.indexOf(QLatin1Char(','), NameCommaFrom);
        if (comma >= 0)
            entry.name = text::cut(line.mid(comma + 1).toString(), CategoryEntry::NameCapacity);
        if (entry.id < MinimumId || entry.name.isEmpty())
            continue;
        ++m_total;
        if (entry.level < 1 || entry.level > Levels)
            continue;
        const int slot = entry.level - 1;
        // Lines beyond the declared count have no place in the table.
        if (m_allocated[slot] && qsizetype(m_levels[slot].size()) < m_declared[slot])
            m_levels[slot].push_back(std::move(entry));
    }
    return isLoaded();
}

int CategoryTree::count(int level) const
{
    if (level < 1 || level > Levels)
        return m_total;
    return int(m_levels[level - 1].size());
}

int CategoryTree::declaredCount(int level) const
{
    return level < 1 || level > Levels ? 0 : m_declared[level - 1];
}

const CategoryEntry* CategoryTree::entry(int index, int level) const
{
    if (level < 1 || level > Levels || index < 0 || index >= count(level))
        return nullptr;
    return &m_levels[level - 1][size_t(index)];
}

void CategoryTree::clear()
{
    for (auto& entries : m_levels)
        entries.clear();
    m_declared.fill(0);
    m_allocated.fill(false);
    m_total = 0;
    m_version = 0.0f;
}
