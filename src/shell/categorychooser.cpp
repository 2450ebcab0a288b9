#include "shell/categorychooser.h"

#include "shell/categorytree.h"

#include <QStringList>

namespace {

const QString Separator = QStringLiteral("  >  ");

// Id step of each list's level: a category's ancestor on level n is id / Unit[n] * Unit[n],
// and its children on level n + 1 lie strictly between that ancestor and ancestor + Unit[n].
constexpr qint64 Unit[] = {0, 1000000, 10000, 100};

} // namespace

CategoryChooser::CategoryChooser(const CategoryTree& tree) : m_tree(tree)
{}

void CategoryChooser::open(int categoryId)
{
    fill(1, categoryId);
    if (categoryId != 0)
        fill(2, categoryId);
    if (categoryId % 1000000 != 0)
        fill(3, categoryId);
    m_finishEnabled = categoryId != 0;
}

void CategoryChooser::selectRow(int list, int row)
{
    if (list < 1 || list > 3 || row < 0 || row >= m_lists[list - 1].rows.size())
        return;
    List& chosen = m_lists[list - 1];
    chosen.selected = row;
    const CategoryRow& picked = chosen.rows.at(row);
    if (list < 3) {
        if (picked.leaf)
            emptyFrom(list + 1);
        else
            fill(list + 1, picked.id);
    }
    m_finishEnabled = true;
    m_pathLabel = joinedNames(list);
}

CategoryChoice CategoryChooser::finish() const
{
    for (int list = 3; list >= 1; --list) {
        const List& candidate = m_lists[list - 1];
        if (candidate.selected >= 0)
            return {candidate.rows.at(candidate.selected).id, joinedNames(list)};
    }
    return {};
}

QList<CategoryRow> CategoryChooser::rows(int list) const
{
    return list < 1 || list > 3 ? QList<CategoryRow>() : m_lists[list - 1].rows;
}

int CategoryChooser::selectedRow(int list) const
{
    return list < 1 || list > 3 ? -1 : m_lists[list - 1].selected;
}

void CategoryChooser::fill(int level, int categoryId)
{
    emptyFrom(level);
    const qint64 parent = level == 1 ? 0 : categoryId / Unit[level - 1] * Unit[level - 1];
    const qint64 own = categoryId / Unit[level] * Unit[level];
    List& list = m_lists[level - 1];
    bool matched = false;
    for (int i = 0; i < m_tree.count(level) && list.rows.size() < MaxRows; ++i) {
        const CategoryEntry* entry = m_tree.entry(i, level);
        if (!entry)
            break;
        const bool child = level == 1 || (entry->id > parent && entry->id < parent + Unit[level - 1]);
        if (!child) {
            // Children of one parent are consecutive: the first stranger after them ends the scan.
            if (matched)
                break;
            continue;
        }
        matched = true;
        list.rows.append({entry->id, entry->leaf, entry->name});
        if (entry->id == own) {
            list.selected = int(list.rows.size()) - 1;
            m_pathLabel = joinedNames(level);
        }
    }
}

void CategoryChooser::emptyFrom(int list)
{
    for (int i = list; i <= 3; ++i)
        m_lists[i - 1] = List();
}

QString CategoryChooser::selectedName(int list) const
{
    const List& chosen = m_lists[list - 1];
    return chosen.selected >= 0 ? chosen.rows.at(chosen.selected).name : QString();
}

QString CategoryChooser::joinedNames(int lists) const
{
    QStringList names;
    for (int list = 1; list <= lists; ++list)
        names.append(selectedName(list));
    return names.join(Separator);
}

QString categoryDisplayPath(const CategoryTree& tree, int id)
{
    if (id == 0)
        return {};
    CategoryChooser chooser(tree);
    chooser.open(id);
    const CategoryChoice choice = chooser.finish();
    return choice.categoryId == id ? choice.path : QString();
}
