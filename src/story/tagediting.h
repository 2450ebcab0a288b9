#pragma once

#include <QString>
#include <QStringList>

//! The tag editor of the story and slide info dialogs without its window: the tag list,
//! kept in alphabetical order with case ignored, and the running budget that limits what
//! may be added until tags are loaded again.
class TagEditing
{
public:
    //! Characters the new-tag box accepts.
    static constexpr int NewTagLimit = 20;
    //! Capacity of a tags field, terminator included: budget and joined text stay below it.
    static constexpr int Capacity = 512;

    //! Replaces the list with the words of a stored tags string (runs of non-spaces); the
    //! budget becomes the string's length.
    void load(const QString& tags);
    //! Adds the typed tag once filtered; returns its row, or -1 when it is empty, when a tag
    //! already in the list begins with it (case ignored) or when the budget would reach 512.
    int add(const QString& typed);
    //! Removes a row and returns the row selected afterwards: the same position, or the last
    //! row when the removed one was last; -1 for a row outside the list or an emptied list.
    //! The budget is not given back.
    int remove(int row);
    //! The list as stored: tags in list order separated by single spaces, at most 511 characters.
    QString joined() const;

    const QStringList& tags() const { return m_tags; }
    //! Characters counted against the capacity since the last load.
    int budget() const { return m_budget; }

    //! The typed text without spaces, ";" and "%20", the other characters in order.
    static QString filtered(const QString& typed);

private:
    int insertSorted(const QString& tag);

    QStringList m_tags;
    int m_budget = 0;
};
