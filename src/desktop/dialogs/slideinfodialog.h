#pragma once

#include <QDialog>

class LimitedTextEdit;
class QLabel;
class QPushButton;
class SkinResources;
class Slide;
class Story;
class TagEditor;

//! Edits one slide's caption and tags, walking through the slides with "<<  &Prev" and
//! "&Next  >>" without closing: every move stores the slide it leaves. OK stores the slide
//! shown; Cancel drops only its edits. Modal; ends with result 1 for both. A slide index
//! outside the story makes it cancel itself at once. Story and skin must outlive it.
class SlideInfoDialog : public QDialog
{
    Q_OBJECT
public:
    //! Characters the caption box accepts (a line break counts two), and how many are stored.
    static constexpr int CaptionBoxLimit = 60;
    static constexpr int CaptionReadLimit = 58;
    //! Left offset from the main window, and room kept between the dialog's client area and
    //! the main window's bottom edge.
    static constexpr int LeftOffset = 245;
    static constexpr int BottomGap = 50;

    //! index: the slide shown first. parent: the main window, beside which the dialog opens.
    SlideInfoDialog(Story& story, int index, const SkinResources& skin, QWidget* parent = nullptr);

    //! Cancel, Escape and the close box end with result 1 too, dropping the shown slide's edits.
    void reject() override;

    //! The index of the slide shown, -1 once the dialog has given up on the story.
    int shownIndex() const { return m_slide ? m_index : -1; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void load(int index);
    void store();
    void step(int delta);
    void accepted();
    void cancelSoon();

    Story& m_story;
    const SkinResources& m_skin;
    int m_index = -1;
    //! The slide on screen; null when none is (an index outside the story).
    Slide* m_slide = nullptr;
    QLabel* m_captionLabel;
    QLabel* m_tagsLabel;
    LimitedTextEdit* m_caption;
    TagEditor* m_tags;
    QPushButton* m_prev;
    QPushButton* m_next;
};
