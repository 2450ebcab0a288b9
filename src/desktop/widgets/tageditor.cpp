#include "desktop/widgets/tageditor.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

TagEditor::TagEditor(const QString& addText, const QString& removeText, QWidget* parent) : QObject(parent)
{
    m_newTag = new QLineEdit(parent);
    m_newTag->setObjectName(QStringLiteral("newTagBox"));
    m_newTag->setMaxLength(TagEditing::NewTagLimit);
    m_add = new QPushButton(addText, parent);
    m_add->setObjectName(QStringLiteral("addTagButton"));
    // Return in the new-tag box adds the tag.
    m_add->setDefault(true);
    m_list = new QListWidget(parent);
    m_list->setObjectName(QStringLiteral("tagList"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_remove = new QPushButton(removeText, parent);
    m_remove->setObjectName(QStringLiteral("removeTagButton"));
    m_remove->setAutoDefault(false);

    connect(m_add, &QPushButton::clicked, this, &TagEditor::addTag);
    connect(m_remove, &QPushButton::clicked, this, &TagEditor::removeTag);
}

void TagEditor::load(const QString& tags)
{
    m_editing.load(tags);
    showTags(-1);
}

void TagEditor::addTag()
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    int selectedRow = selected.isEmpty() ? -1 : m_list->row(selected.first());
    const int added = m_editing.add(m_newTag->text());
    if (added >= 0) {
        // The selection stays on the tag it was on.
        if (selectedRow >= added)
            ++selectedRow;
        showTags(selectedRow);
    }
    m_newTag->clear();
    m_newTag->setFocus();
}

void TagEditor::removeTag()
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    showTags(m_editing.remove(m_list->row(selected.first())));
}

void TagEditor::showTags(int selectedRow)
{
    m_list->clear();
    m_list->addItems(m_editing.tags());
    if (selectedRow >= 0)
        m_list->setCurrentRow(selectedRow);
}
