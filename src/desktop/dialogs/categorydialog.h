#pragma once

#include "shell/categorychooser.h"

#include <QDialog>

#include <array>

class QLabel;
class QListWidget;
class QPushButton;
class SkinResources;
class Story;

//! The category chooser: three lists for catalogue levels 1 to 3, the chosen path above them
//! and "&Finish", which stores the category id and path in the story. Modal; always ends with
//! result 1, and only "&Finish" changes the story. Story and tree must outlive it.
class CategoryDialog : public QDialog
{
    Q_OBJECT
public:
    CategoryDialog(Story& story, const CategoryTree& categories, const SkinResources& skin, QWidget* parent = nullptr);

    //! Cancel, Escape and the close box end with result 1 too, leaving the story as it was.
    void reject() override;

    //! The list of a level (1 to 3); null for another level.
    QListWidget* list(int level) const;
    QLabel* pathLabel() const { return m_path; }
    QPushButton* finishButton() const { return m_finish; }

private:
    void userSelected(int level);
    //! Shows the chooser's rows and selections from that level down, then the path and "&Finish".
    void showFrom(int level);
    void finish();

    Story& m_story;
    CategoryChooser m_chooser;
    QLabel* m_path;
    std::array<QListWidget*, 3> m_lists{};
    QPushButton* m_finish;
};
