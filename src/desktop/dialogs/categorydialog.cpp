#include "desktop/dialogs/categorydialog.h"

#include "desktop/widgets/skinresources.h"
#include "story/choosecategorycommand.h"
#include "story/story.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

CategoryDialog::CategoryDialog(Story& story, const CategoryTree& categories, const SkinResources& skin, QWidget* parent)
    : QDialog(parent), m_story(story), m_chooser(categories)
{
    setObjectName(QStringLiteral("CATEGORY_SELECTION_BOX"));
    setWindowTitle(QStringLiteral("Choose a Category"));
    setWindowIcon(skin.programIcon());
    setModal(true);

    m_path = new QLabel(QStringLiteral("No category selected"), this);
    m_path->setObjectName(QStringLiteral("pathLabel"));
    m_path->setFont(skin.labelFont());
    m_path->setTextFormat(Qt::PlainText);

    auto* lists = new QGridLayout;
    for (int level = 1; level <= 3; ++level) {
        QListWidget*& list = m_lists[size_t(level - 1)];
        list = new QListWidget(this);
        list->setObjectName(QStringLiteral("categoryList%1").arg(level));
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        list->setMinimumSize(180, 220);
        lists->addWidget(new QLabel(QStringLiteral("Category Level %1").arg(level), this), 0, level - 1);
        lists->addWidget(list, 1, level - 1);
        connect(list, &QListWidget::itemSelectionChanged, this, [this, level] { userSelected(level); });
    }

    auto* explanation =
        new QLabel(QStringLiteral("You can choose any level category for your Pictorelle.  For example, you can "
                                  "choose \"Lifestyle\" or \"Lifestyle > Travel > Africa.\""),
                   this);
    explanation->setObjectName(QStringLiteral("categoryExplanation"));
    explanation->setTextFormat(Qt::PlainText);
    explanation->setWordWrap(true);

    m_finish = new QPushButton(QStringLiteral("&Finish"), this);
    m_finish->setObjectName(QStringLiteral("finishButton"));
    m_finish->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    connect(m_finish, &QPushButton::clicked, this, &CategoryDialog::finish);
    connect(cancel, &QPushButton::clicked, this, &CategoryDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_finish);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_path);
    layout->addLayout(lists);
    layout->addWidget(explanation);
    layout->addLayout(buttons);

    m_chooser.open(story.categoryId());
    showFrom(1);
}

void CategoryDialog::reject()
{
    done(1);
}

QListWidget* CategoryDialog::list(int level) const
{
    return level >= 1 && level <= 3 ? m_lists[size_t(level - 1)] : nullptr;
}

void CategoryDialog::userSelected(int level)
{
    const QList<QListWidgetItem*> selected = list(level)->selectedItems();
    if (selected.isEmpty()) {
        // A list box's selection cannot be taken away by the user: show the chooser's again.
        const QSignalBlocker blocker(list(level));
        list(level)->setCurrentRow(m_chooser.selectedRow(level));
        return;
    }
    m_chooser.selectRow(level, list(level)->row(selected.first()));
    showFrom(level + 1);
}

void CategoryDialog::showFrom(int level)
{
    for (int shown = level; shown <= 3; ++shown) {
        QListWidget* widget = list(shown);
        const QSignalBlocker blocker(widget);
        widget->clear();
        const QList<CategoryRow> rows = m_chooser.rows(shown);
        for (const CategoryRow& row : rows)
            widget->addItem(row.name);
        const int selected = m_chooser.selectedRow(shown);
        if (selected >= 0) {
            widget->setCurrentRow(selected);
            widget->scrollToItem(widget->item(selected));
        }
    }
    m_path->setText(m_chooser.pathLabel());
    m_finish->setEnabled(m_chooser.isFinishEnabled());
}

void CategoryDialog::finish()
{
    const CategoryChoice choice = m_chooser.finish();
    // Without a choice the story keeps the text that invites one.
    m_story.push(
        new ChooseCategoryCommand(m_story, choice.categoryId == 0 ? noCategoryText() : choice.path, choice.categoryId));
    done(1);
}
