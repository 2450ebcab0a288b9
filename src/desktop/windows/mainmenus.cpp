#include "desktop/windows/mainmenus.h"

#include "story/story.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QUndoStack>

#include <initializer_list>

namespace {

struct Item
{
    const char* text; //!< null: a separator
    int id;
};

struct Group
{
    const char* title;
    std::initializer_list<Item> items;
};

// The command ids are the main window's.
constexpr int ExportId = 121;
const Group groups[] = {
    {"&File",
     {{"&New Pictorelle", 105},
      {"New &Podcast", 109},
      {"&Load Pictorelle", 110},
      {"&Save Pictorelle", 120},
      {"&Export Video…", ExportId},
      {nullptr, 0},
      {"E&xit", 140}}},
    {"&Pictorelle",
     {{"&Add Slide", 115},
      {"Pre&view", 106},
      {"&Check Pictorelle for errors", 116},
      {"&Publish to PictorelleWeb", 107}}},
    {"&Settings", {{"&Program Settings", 111}}},
    {"&Help",
     {{"&Help", 114},
      {"&Tutorial", 117},
      {nullptr, 0},
      {"&Visit PictorelleWeb", 112},
      {"Check for Program &Updates", 113},
      {nullptr, 0},
      {"&About", 141}}},
};

} // namespace

MainMenus::MainMenus(QMenuBar& bar, Story& story, int undoId, int redoId) : QObject(&bar), m_story(story)
{
    bar.setObjectName(QStringLiteral("PICTORELLE"));
    for (const Group& group : groups) {
        QMenu* menu = bar.addMenu(QString::fromUtf8(group.title));
        for (const Item& item : group.items) {
            if (!item.text) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromUtf8(item.text));
            action->setData(item.id);
            if (item.id == ExportId)
                m_export = action;
            const int id = item.id;
            connect(action, &QAction::triggered, this, [this, id] { emit commandRequested(id); });
        }
    }
    addEditMenu(bar, undoId, redoId);
    // A podcast is exported as sound: the item says so.
    connect(&m_story, &Story::storyInfoChanged, this, &MainMenus::updateExportAction);
    connect(&m_story, &Story::storyReset, this, &MainMenus::updateExportAction);
    updateExportAction();
}

void MainMenus::updateExportAction()
{
    m_export->setText(m_story.isPodcast() ? QStringLiteral("&Export Audio…") : QStringLiteral("&Export Video…"));
}

void MainMenus::addEditMenu(QMenuBar& bar, int undoId, int redoId)
{
    auto* edit = new QMenu(QStringLiteral("&Edit"), &bar);
    // Right after File, as desktop programs place it.
    const QList<QAction*> menus = bar.actions();
    bar.insertMenu(menus.size() > 1 ? menus.at(1) : nullptr, edit);
    m_undo = edit->addAction(QStringLiteral("&Undo"));
    m_undo->setData(undoId);
    m_undo->setShortcut(QKeySequence::Undo);
    m_redo = edit->addAction(QStringLiteral("&Redo"));
    m_redo->setData(redoId);
    m_redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(m_undo, &QAction::triggered, this, [this, undoId] { emit commandRequested(undoId); });
    connect(m_redo, &QAction::triggered, this, [this, redoId] { emit commandRequested(redoId); });

    QUndoStack* stack = m_story.undoStack();
    connect(stack, &QUndoStack::indexChanged, this, &MainMenus::updateUndoActions);
    connect(stack, &QUndoStack::cleanChanged, this, &MainMenus::updateUndoActions);
    // A step may wait for a recording, an import or an encoding: its action follows.
    connect(&m_story, &Story::narrationChanged, this, &MainMenus::updateUndoActions);
    connect(&m_story, &Story::slideReady, this, &MainMenus::updateUndoActions);
    connect(&m_story, &Story::storyReset, this, &MainMenus::updateUndoActions);
    updateUndoActions();
}

void MainMenus::updateUndoActions()
{
    const QUndoStack* stack = m_story.undoStack();
    m_undo->setText(stack->canUndo() ? QStringLiteral("&Undo %1").arg(stack->undoText()) : QStringLiteral("&Undo"));
    m_redo->setText(stack->canRedo() ? QStringLiteral("&Redo %1").arg(stack->redoText()) : QStringLiteral("&Redo"));
    m_undo->setEnabled(m_story.canUndoNow());
    m_redo->setEnabled(m_story.canRedoNow());
}
