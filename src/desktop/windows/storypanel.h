#pragma once

#include <QObject>

#include <array>

class CategoryTree;
class PanelValue;
class QLabel;
class QWidget;
class SkinResources;
class Story;
struct MainLayout;

//! The "Pictorelle Info" panel: the story's category, title, description, tags, length and
//! slide count. Shows the story as its signals tell; Edit opens the story info dialog, whose
//! OK is one undo step. The story, skin and canvas must outlive it.
class StoryPanel : public QObject
{
    Q_OBJECT
public:
    StoryPanel(Story& story, const SkinResources& skin, QWidget* canvas);

    void place(const MainLayout& layout);
    void refresh();
    //! The story info dialog over owner (the main window, beside which it opens).
    void edit(const CategoryTree& categories, QWidget* owner);

private:
    Story& m_story;
    const SkinResources& m_skin;
    QLabel* m_heading = nullptr;
    std::array<QLabel*, 6> m_labels{};
    std::array<PanelValue*, 6> m_values{};
};
