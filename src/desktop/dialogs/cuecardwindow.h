#pragma once

#include <QDialog>

class ProgramSettings;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class SkinResources;
class Story;

//! The modeless "Cue Card" window: the private note of one slide in a text box, following
//! the current slide through commands from the main window and the strip. Deletes itself
//! when it closes (after emitting closed()). GUI thread only; the story, settings and skin
//! must outlive the window.
class CueCardWindow : public QDialog
{
    Q_OBJECT

public:
    //! Commands accepted by command(); ShowSlide and SlideMoved carry a slide index.
    enum Command {
        ShowSlide = 551,
        SlideMoved = 552,
        Close = 1,
        Cancel = 2
    };
    //! Commands for the main window, sent through mainWindowCommand.
    enum MainCommand {
        PreviousSlide = 21002,
        NextSlide = 21003
    };
    //! A note keeps at most this many UTF-16 code units, counting a line break as CR LF.
    static constexpr int LongestNote = 19999;

    //! Showing the story's current slide; the caller shows it. When first shown it goes where
    //! the author left it, kept on screen, or beside the owner while no place was saved (the
    //! settings' 0, 0). owner: the main window (may be null).
    CueCardWindow(Story& story, ProgramSettings& settings, const SkinResources& skin, QWidget* owner = nullptr);

    //! Handles a command from the main window or the strip; ignored once the window closed.
    //! Indices outside the story are ignored.
    void command(int id, int index);
    //! Index of the slide whose note is on screen; -1 when none.
    int shownIndex() const { return m_shownIndex; }
    //! Stores the note being typed into its slide when it differs from the slide's, so that
    //! a recovery copy holds it; a note left as it was changes nothing.
    void storeTypedNote();

    //! Beside the owner window, on its screen: right of it when there is room, else left, else
    //! over its lower right corner. Nothing without an owner.
    void placeBesideOwner();

    //! The explanatory text shown under the header.
    static QString explanation();

    //! Stores the note and the position before the window goes (every way of closing ends here).
    void done(int result) override;

signals:
    //! Asks the main window to select the previous or next slide; it answers with ShowSlide.
    void mainWindowCommand(int id);
    //! Emitted once, when the window closes; it is deleted soon after.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showSlide(int index);
    void storeSlide(int index);
    void retitle(int index);
    void enableButtons(int index);
    bool isInStory(int index) const;

    Story& m_story;
    ProgramSettings& m_settings;
    QLabel* m_header;
    QPlainTextEdit* m_note;
    QPushButton* m_prev;
    QPushButton* m_next;
    int m_shownIndex = -1;
    //! Typing on the card shown is one undo step (see nextEditSession).
    int m_editSession = 0;
    bool m_closed = false;
    bool m_placed = false;
};
