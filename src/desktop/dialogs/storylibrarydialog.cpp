#include "desktop/dialogs/storylibrarydialog.h"

#include "desktop/dialogs/dialogplacement.h"
#include "desktop/dialogs/loadingbox.h"
#include "desktop/widgets/skinresources.h"
#include "story/story.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int ColumnCount = 5;
constexpr int TitleColumn = 1;

Qt::SortOrder order(bool descending)
{
    return descending ? Qt::DescendingOrder : Qt::AscendingOrder;
}

} // namespace

StoryLibraryDialog::StoryLibraryDialog(Story& story, const QString& saveFolder, StoryLibrary::SortSwitches& switches,
                                       const SkinResources& skin, QWidget* parent)
    : QDialog(parent), m_story(story), m_switches(switches), m_library(saveFolder, switches)
{
    setObjectName(QStringLiteral("LOAD_BOX"));
    setWindowTitle(QStringLiteral("Load Saved Pictorelle"));
    setWindowIcon(skin.programIcon());
    setModal(true);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("libraryList"));
    m_list->setColumnCount(ColumnCount);
    m_list->setHeaderLabels({QStringLiteral("Type"), QStringLiteral("Title"), QStringLiteral("Slides"),
                             QStringLiteral("Length"), QStringLiteral("Date")});
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setAllColumnsShowFocus(true);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Sorting follows the library's own direction switches, never the view's.
    m_list->setSortingEnabled(false);
    QHeaderView* header = m_list->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Type, slides, length and date are as wide as their longest text, in whatever font and
    // at whatever scale the screen has; the title takes the rest of the width.
    for (int c = 0; c < ColumnCount; ++c)
        header->setSectionResizeMode(c, c == TitleColumn ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
    connect(header, &QHeaderView::sectionClicked, this, &StoryLibraryDialog::headerClicked);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &StoryLibraryDialog::loadSelected);
    m_list->installEventFilter(this);

    m_loadButton = new QPushButton(QStringLiteral("Load"), this);
    m_loadButton->setObjectName(QStringLiteral("loadButton"));
    m_loadButton->setDefault(true);
    m_deleteButton = new QPushButton(QStringLiteral("Delete"), this);
    m_deleteButton->setObjectName(QStringLiteral("deleteButton"));
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(m_loadButton, &QPushButton::clicked, this, &StoryLibraryDialog::loadSelected);
    connect(m_deleteButton, &QPushButton::clicked, this, &StoryLibraryDialog::deleteSelected);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_loadButton);
    buttons->addStretch(1);
    buttons->addWidget(m_deleteButton);
    buttons->addStretch(1);
    buttons->addWidget(m_cancelButton);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(DefaultWidth, DefaultHeight);

    // The opening sorts by date in the direction the switch had, then makes it descending.
    const bool dateDescending = switches.descending[StoryLibrary::Date];
    m_library.open();
    fill();
    header->setSortIndicator(StoryLibrary::Date, order(dateDescending));
    m_list->setFocus();
}

std::optional<LoadReport> StoryLibraryDialog::run(Story& story, const QString& saveFolder,
                                                  StoryLibrary::SortSwitches& switches, const SkinResources& skin,
                                                  QWidget* parent)
{
    StoryLibraryDialog dialog(story, saveFolder, switches, skin, parent);
    dialog.exec();
    if (!dialog.storyLoaded())
        return std::nullopt;
    return dialog.report();
}

void StoryLibraryDialog::fill(const QString& selectedPath)
{
    m_list->clear();
    QTreeWidgetItem* selected = nullptr;
    for (const LibraryRow& row : m_library.rows()) {
        auto* item = new QTreeWidgetItem(
            m_list, QStringList{row.typeName, row.title, row.slidesText, row.lengthText, row.dateText});
        if (!selectedPath.isEmpty() && row.path == selectedPath)
            selected = item;
    }
    if (selected) {
        m_list->setCurrentItem(selected);
        m_list->scrollToItem(selected);
    }
}

int StoryLibraryDialog::selectedRow() const
{
    const QList<QTreeWidgetItem*> items = m_list->selectedItems();
    return items.isEmpty() ? -1 : m_list->indexOfTopLevelItem(items.first());
}

void StoryLibraryDialog::headerClicked(int column)
{
    const int row = selectedRow();
    // The selection follows its story to the row it is sorted to.
    const QString selectedPath = row >= 0 ? m_library.rows().at(row).path : QString();
    m_library.clickHeader(column);
    fill(selectedPath);
    m_list->header()->setSortIndicator(column, order(m_switches.descending[size_t(column)]));
}

void StoryLibraryDialog::loadSelected()
{
    const QString path = m_library.pathToLoad(selectedRow(), m_story);
    if (!path.isEmpty()) {
        LoadingBox box(m_story, path, this);
        box.exec();
        m_loaded = box.hasLoaded();
        m_report = box.report();
    }
    m_list->clear();
    if (m_loaded)
        accept();
    else
        reject();
}

void StoryLibraryDialog::deleteSelected()
{
    const int row = selectedRow();
    // Nothing would be deleted: no question to answer.
    if (row < 0)
        return;
    // The question names the story it deletes: typing in the list moves the selection unseen.
    const LibraryRow asked = m_library.rows().at(row);
    QMessageBox ask(QMessageBox::NoIcon, QStringLiteral("Delete Pictorelle"),
                    QStringLiteral("Are you sure you want to permanently\nremove the saved Pictorelle?\n\n%1\n%2")
                        .arg(asked.title, asked.dateText),
                    QMessageBox::Yes | QMessageBox::No, this);
    ask.setObjectName(QStringLiteral("deleteQuestion"));
    ask.setTextFormat(Qt::PlainText);
    // Enter and Escape keep the story; only Yes removes it.
    ask.setDefaultButton(QMessageBox::No);
    ask.setEscapeButton(QMessageBox::No);
    if (ask.exec() != QMessageBox::Yes)
        return;
    // Exactly the story the question named, wherever its row is now.
    const QList<LibraryRow>& rows = m_library.rows();
    const auto named =
        std::find_if(rows.begin(), rows.end(), [&](const LibraryRow& r) { return r.path == asked.path; });
    if (named == rows.end())
        return;
    const int index = int(named - rows.begin());
    if (m_library.deleteRow(index))
        delete m_list->takeTopLevelItem(index);
}

void StoryLibraryDialog::showEvent(QShowEvent* event)
{
    if (QWidget* owner = parentWidget()) {
        const QRect o(owner->mapToGlobal(QPoint(0, 0)), owner->size());
        moveOnScreen(*this, QPoint(o.left() + o.width() / 2 - width() / 2, o.top() + o.height() / 2 - height() / 2),
                     owner);
    }
    QDialog::showEvent(event);
}

bool StoryLibraryDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            loadSelected();
            return true;
        case Qt::Key_Delete:
            deleteSelected();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}
