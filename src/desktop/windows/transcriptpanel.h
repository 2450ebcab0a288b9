#pragma once

#include <QObject>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QWidget;
class SkinResources;
class Story;
struct MainLayout;

//! A podcast's "Audio Transcript": the text box and its "Publish Audio Transcript (optional)"
//! switch. What is typed goes into the story at once, one undo step per stretch of typing
//! (from the box taking focus until it loses it); the switch is a step of its own. The box
//! follows the story's signals (undo, load, reset). At most 50000 characters.
class TranscriptPanel : public QObject
{
    Q_OBJECT
public:
    static constexpr int Limit = 50000;

    TranscriptPanel(Story& story, const SkinResources& skin, QWidget* canvas);

    void place(const MainLayout& layout);
    //! Shows the story's transcript and switch (podcasts only).
    void refresh();

    QPlainTextEdit* box() const { return m_box; }
    QCheckBox* publishCheck() const { return m_check; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void typed();
    void limit();

    Story& m_story;
    QPlainTextEdit* m_box = nullptr;
    QCheckBox* m_check = nullptr;
    QLabel* m_heading = nullptr;
    //! The box is being filled from the story: no edit of the user's.
    bool m_filling = false;
    int m_editSession = 0;
};
