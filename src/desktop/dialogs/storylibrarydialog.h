#pragma once

#include "story/storyfile.h"
#include "story/storylibrary.h"

#include <QDialog>

#include <optional>

class QPushButton;
class QTreeWidget;
class SkinResources;
class Story;

//! The saved-story library behind the Load command: lists the stories under the save
//! folder, sorts them by header clicks, loads one through the loading box or deletes its
//! folder. Modal, GUI thread only.
class StoryLibraryDialog : public QDialog
{
    Q_OBJECT
public:
    //! Dialog size: 350 × 254 dialog units of an 8-point dialog font.
    static constexpr int DefaultWidth = 525;
    static constexpr int DefaultHeight = 413;

    //! saveFolder ends with "/"; switches belong to the caller, who keeps them for the run.
    //! The list is read from disk here.
    StoryLibraryDialog(Story& story, const QString& saveFolder, StoryLibrary::SortSwitches& switches,
                       const SkinResources& skin, QWidget* parent = nullptr);

    //! Opens the library modally over parent; the report of the load when a story was
    //! loaded into story, nothing otherwise.
    static std::optional<LoadReport> run(Story& story, const QString& saveFolder, StoryLibrary::SortSwitches& switches,
                                         const SkinResources& skin, QWidget* parent);

    //! The story was reset and a story file read into it.
    bool storyLoaded() const { return m_loaded; }
    //! What the load found; meaningful when storyLoaded().
    const LoadReport& report() const { return m_report; }

    //! The rows as listed, in the order shown.
    const StoryLibrary& library() const { return m_library; }

public slots:
    //! Loads the selected story (when the story is idle) and closes the library in every case.
    void loadSelected();
    //! Asks about the selected story by its title and date (No the default answer), then on
    //! Yes deletes exactly that story's folder and row; the library stays open.
    void deleteSelected();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void headerClicked(int column);
    //! Rebuilds the list from the library's rows; selects the row of selectedPath if listed.
    void fill(const QString& selectedPath = QString());
    //! Index of the first selected row, -1 when none.
    int selectedRow() const;

    Story& m_story;
    StoryLibrary::SortSwitches& m_switches;
    StoryLibrary m_library;
    QTreeWidget* m_list;
    QPushButton* m_loadButton;
    QPushButton* m_deleteButton;
    QPushButton* m_cancelButton;
    LoadReport m_report;
    bool m_loaded = false;
};
