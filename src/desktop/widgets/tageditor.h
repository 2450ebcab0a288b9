#pragma once

#include "story/tagediting.h"

#include <QObject>

class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

//! The tag editor both info dialogs share: a new-tag box, an add button, the sorted tag list
//! (single selection) and a remove button, over the GUI-free TagEditing rules. The widgets
//! are children of the parent given; the dialog lays them out.
class TagEditor : public QObject
{
    Q_OBJECT
public:
    //! addText and removeText are the buttons' captions, which differ between the dialogs.
    TagEditor(const QString& addText, const QString& removeText, QWidget* parent);

    //! Shows the words of a stored tags string and starts a new budget.
    void load(const QString& tags);
    //! The list as the story or slide stores it.
    QString joined() const { return m_editing.joined(); }
    //! Characters counted against the tags field since the last load.
    int budget() const { return m_editing.budget(); }

    QLineEdit* newTagBox() const { return m_newTag; }
    QPushButton* addButton() const { return m_add; }
    QListWidget* list() const { return m_list; }
    QPushButton* removeButton() const { return m_remove; }

private:
    void addTag();
    void removeTag();
    void showTags(int selectedRow);

    TagEditing m_editing;
    QLineEdit* m_newTag;
    QPushButton* m_add;
    QListWidget* m_list;
    QPushButton* m_remove;
};
