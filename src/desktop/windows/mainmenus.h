#pragma once

#include <QObject>

class QAction;
class QMenuBar;
class Story;

//! The menu bar: File (Export Video…, or Export Audio… for a podcast, among its items), Edit
//! (Undo and Redo over the story's undo stack, labelled by the step they undo or redo, enabled
//! only when that step can run now), Pictorelle, Settings and Help. Every item carries its
//! command id and asks for it with commandRequested.
class MainMenus : public QObject
{
    Q_OBJECT
public:
    MainMenus(QMenuBar& bar, Story& story, int undoId, int redoId);

    QAction* undoAction() const { return m_undo; }
    QAction* redoAction() const { return m_redo; }
    //! Relabels and enables Undo and Redo for the stack as it stands.
    void updateUndoActions();
    //! Labels the export item for the story's type.
    void updateExportAction();

signals:
    void commandRequested(int id);

private:
    void addEditMenu(QMenuBar& bar, int undoId, int redoId);

    Story& m_story;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
    QAction* m_export = nullptr;
};
