#pragma once

#include <QDialog>

class CategoryTree;
class LimitedTextEdit;
class QLabel;
class QLineEdit;
class SkinResources;
class Story;
class TagEditor;

//! Edits the story's title, description, tags and category. Modal; ends with result 1 for
//! both OK and Cancel. OK stores the texts; Cancel stores nothing, but a category chosen
//! meanwhile stays (the category dialog stores it itself). Story, tree and skin must outlive it.
class StoryInfoDialog : public QDialog
{
    Q_OBJECT
public:
    //! Characters the title box accepts, and how many of them are stored.
    static constexpr int TitleBoxLimit = 48;
    static constexpr int TitleReadLimit = 46;
    //! Characters the description box accepts (a line break counts two), and how many are stored.
    static constexpr int DescriptionBoxLimit = 300;
    static constexpr int DescriptionReadLimit = 298;
    //! Offset of the dialog from the main window's top-left corner.
    static constexpr QPoint Offset{245, 218};

    //! parent: the main window, beside which the dialog opens.
    StoryInfoDialog(Story& story, const CategoryTree& categories, const SkinResources& skin, QWidget* parent = nullptr);

    //! Cancel, Escape and the close box end with result 1 too, storing nothing.
    void reject() override;

    //! Text the category label shows for the story: its category, or the prompt to choose one.
    static QString categoryLabelText(const Story& story);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void chooseCategory();
    void store();

    Story& m_story;
    const CategoryTree& m_categories;
    const SkinResources& m_skin;
    QLabel* m_categoryLabel;
    QLineEdit* m_title;
    LimitedTextEdit* m_description;
    TagEditor* m_tags;
};
