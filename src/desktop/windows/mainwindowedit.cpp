#include "desktop/windows/mainwindow.h"

#include "desktop/widgets/thumbnailstrip.h"
#include "story/story.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QUndoStack>

void MainWindow::createEditMenu()
{
    auto* edit = new QMenu(QStringLiteral("&Edit"), menuBar());
    // Right after File, as desktop programs place it.
    const QList<QAction*> menus = menuBar()->actions();
    menuBar()->insertMenu(menus.size() > 1 ? menus.at(1) : nullptr, edit);
    m_undoAction = edit->addAction(QStringLiteral("&Undo"));
    m_undoAction->setData(int(UndoCommand));
    m_undoAction->setShortcut(QKeySequence::Undo);
    m_redoAction = edit->addAction(QStringLiteral("&Redo"));
    m_redoAction->setData(int(RedoCommand));
    m_redoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(m_undoAction, &QAction::triggered, this, [this] { command(UndoCommand); });
    connect(m_redoAction, &QAction::triggered, this, [this] { command(RedoCommand); });

    QUndoStack* stack = m_story->undoStack();
    connect(stack, &QUndoStack::indexChanged, this, &MainWindow::updateUndoActions);
    connect(stack, &QUndoStack::cleanChanged, this, &MainWindow::updateUndoActions);
    // A step may wait for a recording, an import or an encoding: its action follows.
    connect(m_story.get(), &Story::narrationChanged, this, &MainWindow::updateUndoActions);
    connect(m_story.get(), &Story::slideReady, this, &MainWindow::updateUndoActions);
    connect(m_story.get(), &Story::storyReset, this, &MainWindow::updateUndoActions);
    updateUndoActions();
}

void MainWindow::updateUndoActions()
{
    if (!m_undoAction || !m_story)
        return;
    const QUndoStack* stack = m_story->undoStack();
    m_undoAction->setText(stack->canUndo() ? QStringLiteral("&Undo %1").arg(stack->undoText())
                                           : QStringLiteral("&Undo"));
    m_redoAction->setText(stack->canRedo() ? QStringLiteral("&Redo %1").arg(stack->redoText())
                                           : QStringLiteral("&Redo"));
    m_undoAction->setEnabled(m_story->canUndoNow());
    m_redoAction->setEnabled(m_story->canRedoNow());
}

void MainWindow::listenToStory()
{
    const auto later = [this] {
        if (m_refreshPending)
            return;
        m_refreshPending = true;
        QTimer::singleShot(0, this, &MainWindow::refreshFromStory);
    };
    connect(m_story.get(), &Story::slideAdded, this, later);
    connect(m_story.get(), &Story::slideRemoved, this, later);
    connect(m_story.get(), &Story::slideMoved, this, later);
    connect(m_story.get(), &Story::slideChanged, this, later);
    connect(m_story.get(), &Story::narrationChanged, this, later);
    connect(m_story.get(), &Story::storyInfoChanged, this, later);
    connect(m_story.get(), &Story::currentChanged, this, later);
    connect(m_story.get(), &Story::storyReset, this, later);
}

void MainWindow::refreshFromStory()
{
    m_refreshPending = false;
    refreshStoryPanel();
    refreshSlidePanel(true);
    refreshTimeDisplay();
    m_strip->recomputeScrollRange();
    m_strip->update();
}
