#pragma once

#include <QObject>

#include <array>

class PanelValue;
class QLabel;
class QWidget;
class SkinResources;
class SkinnedButton;
class Story;
struct MainLayout;

//! The "Slide info" panel and the slide position ("Slide 2 of 5"): the current slide's
//! caption, tags and narration length, shown as the story's signals tell. Edit opens the
//! slide info dialog, where each slide stored is one undo step. The story, skin and canvas
//! must outlive it.
class SlidePanel : public QObject
{
    Q_OBJECT
public:
    //! editButton: the panel's "Edit Slide" button, placed with the panel.
    SlidePanel(Story& story, const SkinResources& skin, QWidget* canvas, SkinnedButton* editButton);

    void place(const MainLayout& layout);
    void refresh();
    void edit(int index, QWidget* owner);

private:
    Story& m_story;
    const SkinResources& m_skin;
    SkinnedButton* m_editButton;
    QLabel* m_heading = nullptr;
    std::array<QLabel*, 3> m_labels{};
    std::array<PanelValue*, 3> m_values{};
    QLabel* m_position = nullptr;
};
