#pragma once

#include <QList>
#include <QString>

#include <array>

class CategoryTree;

//! One row of a chooser list: a copy of its category's id, leaf flag and name.
struct CategoryRow
{
    int id = 0;
    bool leaf = false;
    QString name;
};

//! What "&Finish" stores in the story.
struct CategoryChoice
{
    //! 0 when nothing was chosen.
    int categoryId = 0;
    //! The chosen names joined by "  >  "; empty with category id 0.
    QString path;
};

//! The category chooser without its window: three lists for levels 1 to 3, their
//! selections, the path label and the state of "&Finish". Lists are numbered 1 to 3.
class CategoryChooser
{
public:
    static constexpr int MaxRows = 100;

    //! The tree must outlive the chooser.
    explicit CategoryChooser(const CategoryTree& tree);

    //! Fills the lists for a story's category id and selects its rows and ancestors.
    void open(int categoryId);
    //! The user selected a row; rows outside the list are ignored.
    void selectRow(int list, int row);
    //! What "&Finish" stores.
    CategoryChoice finish() const;

    //! Empty for a list outside 1 to 3.
    QList<CategoryRow> rows(int list) const;
    //! -1 when the list has no selection or is outside 1 to 3.
    int selectedRow(int list) const;
    QString pathLabel() const { return m_pathLabel; }
    bool isFinishEnabled() const { return m_finishEnabled; }

private:
    struct List
    {
        QList<CategoryRow> rows;
        int selected = -1;
    };

    void fill(int level, int categoryId);
    void emptyFrom(int list);
    QString selectedName(int list) const;
    QString joinedNames(int lists) const;

    const CategoryTree& m_tree;
    std::array<List, 3> m_lists;
    QString m_pathLabel = QStringLiteral("No category selected");
    bool m_finishEnabled = false;
};

//! What "&Finish" stores as the category name when the chooser is opened for id and its
//! row is selected; empty when the table has no row for id itself.
QString categoryDisplayPath(const CategoryTree& tree, int id);
