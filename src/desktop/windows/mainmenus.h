#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QAction;
class QMenu;
class QMenuBar;
class Story;

//! The menu bar: File (Open Recent with the last stories saved or opened, Save As…, and
//! Export Video…, or Export Audio… for a podcast, among its items), Edit (Undo and Redo over
//! the story's undo stack, labelled by the step they undo or redo, enabled only when that
//! step can run now; Rotate Left and Rotate Right), Pictorelle, Settings and Help. Every item carries its command id and
//! asks for it with commandRequested.
class MainMenus : public QObject
{
    Q_OBJECT
public:
    MainMenus(QMenuBar& bar, Story& story, int undoId, int redoId);

    //! Adds Rotate Left (Ctrl+[, Ctrl+L) and Rotate Right (Ctrl+], Ctrl+Shift+L) to Edit;
    //! they are enabled while canRotate says the current slide can be turned.
    void addRotateActions(int leftId, int rightId, std::function<bool()> canRotate);

    QAction* undoAction() const { return m_undo; }
    QAction* rotateLeftAction() const { return m_rotateLeft; }
    QAction* rotateRightAction() const { return m_rotateRight; }
    QAction* redoAction() const { return m_redo; }
    //! Relabels and enables Undo and Redo for the stack as it stands.
    void updateUndoActions();
    //! Labels the export item for the story's type.
    void updateExportAction();
    //! The stories File > Open Recent lists, newest first; those no longer there are disabled.
    void setRecentStories(const QStringList& storyFiles);
    QMenu* recentMenu() const { return m_recent; }

signals:
    void commandRequested(int id);
    //! An item of Open Recent was chosen: its story file.
    void recentStoryRequested(const QString& storyFile);

private:
    void addEditMenu(QMenuBar& bar, int undoId, int redoId);
    //! Rebuilds Open Recent from the list, checking which files are still there.
    void fillRecentMenu();

    Story& m_story;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
    QMenu* m_edit = nullptr;
    QAction* m_rotateLeft = nullptr;
    QAction* m_rotateRight = nullptr;
    QAction* m_export = nullptr;
    QMenu* m_recent = nullptr;
    QStringList m_recentFiles;
};
