#include "desktop/windows/mainmenus.h"

#include "story/story.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QUndoStack>

#include <initializer_list>
#include <utility>

namespace {

struct Item
{
    const char* text; //!< null: a separator
    int id;
    QKeySequence::StandardKey key = QKeySequence::UnknownKey;
};

struct Group
{
    const char* title;
    std::initializer_list<Item> items;
};

// The command ids are the main window's.
constexpr int ExportId = 121;
// Not a command: the place of the Open Recent submenu.
constexpr int RecentMenuId = -1;
const Group groups[] = {
    {"&File",
     {{"&New Pictorelle", 105, QKeySequence::New},
      {"New &Podcast", 109},
      {"&Load Pictorelle", 110, QKeySequence::Open},
      {"Open &Recent", RecentMenuId},
      {"&Save Pictorelle", 120, QKeySequence::Save},
      {"Save Pictorelle &As…", 122, QKeySequence::SaveAs},
      {"&Export Video…", ExportId},
      {nullptr, 0},
      {"E&xit", 140, QKeySequence::Quit}}},
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

//! The platform's keys for key, with the keys Linux desktops use where its key scheme lacks
//! them (Quit and Ctrl+Shift+Z under some schemes); Redo keeps Ctrl+Y as well.
QList<QKeySequence> standardKeys(QKeySequence::StandardKey key)
{
    QList<QKeySequence> keys = QKeySequence::keyBindings(key);
    QList<QKeySequence> usual;
    if (key == QKeySequence::Quit)
        usual = {QKeySequence(Qt::CTRL | Qt::Key_Q)};
    else if (key == QKeySequence::Redo)
        usual = {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)};
    for (qsizetype i = usual.size() - 1; i >= 0; --i) {
        keys.removeAll(usual.at(i));
        keys.prepend(usual.at(i));
    }
    return keys;
}

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
            if (item.id == RecentMenuId) {
                m_recent = menu->addMenu(QString::fromUtf8(item.text));
                m_recent->setObjectName(QStringLiteral("recentMenu"));
                // Files moved or deleted meanwhile are shown disabled when the menu opens.
                connect(m_recent, &QMenu::aboutToShow, this, &MainMenus::fillRecentMenu);
                continue;
            }
            QAction* action = menu->addAction(QString::fromUtf8(item.text));
            action->setData(item.id);
            if (item.key != QKeySequence::UnknownKey)
                action->setShortcuts(standardKeys(item.key));
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

void MainMenus::setRecentStories(const QStringList& storyFiles)
{
    m_recentFiles = storyFiles;
    fillRecentMenu();
}

void MainMenus::fillRecentMenu()
{
    m_recent->clear();
    for (int i = 0; i < m_recentFiles.size(); ++i) {
        const QString& path = m_recentFiles[i];
        const QFileInfo info(path);
        // Numbered for the keyboard; a story is known by its folder, whose name is its save stamp.
        QString name = QFileInfo(info.absolutePath()).fileName() + QLatin1Char('/') + info.fileName();
        name.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* action = m_recent->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
        action->setData(path);
        action->setToolTip(QDir::toNativeSeparators(path));
        action->setEnabled(info.isFile());
        connect(action, &QAction::triggered, this, [this, path] { emit recentStoryRequested(path); });
    }
    if (m_recentFiles.isEmpty()) {
        QAction* none = m_recent->addAction(QStringLiteral("(No recent Pictorelles)"));
        none->setEnabled(false);
    }
}

void MainMenus::updateExportAction()
{
    m_export->setText(m_story.isPodcast() ? QStringLiteral("&Export Audio…") : QStringLiteral("&Export Video…"));
}

void MainMenus::addEditMenu(QMenuBar& bar, int undoId, int redoId)
{
    auto* edit = new QMenu(QStringLiteral("&Edit"), &bar);
    m_edit = edit;
    // Right after File, as desktop programs place it.
    const QList<QAction*> menus = bar.actions();
    bar.insertMenu(menus.size() > 1 ? menus.at(1) : nullptr, edit);
    m_undo = edit->addAction(QStringLiteral("&Undo"));
    m_undo->setData(undoId);
    m_undo->setShortcuts(standardKeys(QKeySequence::Undo));
    m_redo = edit->addAction(QStringLiteral("&Redo"));
    m_redo->setData(redoId);
    // Ctrl+Shift+Z first, as Linux desktops have it, and Ctrl+Y.
    m_redo->setShortcuts(standardKeys(QKeySequence::Redo));
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

void MainMenus::addRotateActions(int leftId, int rightId, std::function<bool()> canRotate)
{
    m_edit->addSeparator();
    m_rotateLeft = m_edit->addAction(QStringLiteral("Rotate &Left"));
    m_rotateLeft->setData(leftId);
    // Ctrl+L too, where the brackets need a third key.
    m_rotateLeft->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_BracketLeft), QKeySequence(Qt::CTRL | Qt::Key_L)});
    m_rotateRight = m_edit->addAction(QStringLiteral("Rotate Ri&ght"));
    m_rotateRight->setData(rightId);
    m_rotateRight->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_BracketRight), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L)});
    connect(m_rotateLeft, &QAction::triggered, this, [this, leftId] { emit commandRequested(leftId); });
    connect(m_rotateRight, &QAction::triggered, this, [this, rightId] { emit commandRequested(rightId); });

    // A slide still importing, a podcast segment or no slide at all cannot be turned.
    const auto update = [this, canRotate = std::move(canRotate)] {
        const bool can = canRotate();
        m_rotateLeft->setEnabled(can);
        m_rotateRight->setEnabled(can);
    };
    for (auto signal :
         {&Story::currentChanged, &Story::slideReady, &Story::slideAdded, &Story::slideRemoved, &Story::slideChanged})
        connect(&m_story, signal, this, update);
    connect(&m_story, &Story::storyInfoChanged, this, update);
    connect(&m_story, &Story::storyReset, this, update);
    update();
}
