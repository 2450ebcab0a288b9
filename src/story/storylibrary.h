#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <array>

class Story;

//! One saved story as the library lists it.
struct LibraryRow
{
    QString title;    //!< at most 47 characters; "No title" for an empty title
    QString dateText; //!< "Dec 06 2026 06:29PM", local time
    QString slidesText;
    QString typeName;    //!< empty when the file names no known type
    QString path;        //!< the ".sld" file
    QString lengthText;  //!< minutes:seconds
    int length = 0;      //!< seconds
    qint64 saveTime = 0; //!< seconds since 1970
    int slides = 0;
    int type = 1; //!< 1 when the file has no type line
};

//! The saved-story library: rows read from the save folder's story files, sorted by
//! header clicks. The sort switches belong to the caller, who keeps them for the run.
class StoryLibrary
{
public:
    enum Column {
        Type = 0,
        Title = 1,
        Slides = 2,
        Length = 3,
        Date = 4
    };

    //! true = descending. At the start of a run only Date is descending.
    struct SortSwitches
    {
        std::array<bool, 5> descending{false, false, false, false, true};
    };

    StoryLibrary(const QString& saveFolder, SortSwitches& switches);

    //! Reads every story folder and sorts by date in the Date switch's direction,
    //! then sets the Date switch to descending.
    void open();
    //! A header click: flips the column's switch and sorts by it.
    void clickHeader(int column);

    const QList<LibraryRow>& rows() const { return m_rows; }
    int rowCount() const { return int(m_rows.size()); }

    //! The path to load for the selected row: empty when nothing is to be loaded
    //! (no row, busy story, empty path). Loading always closes the library.
    QString pathToLoad(int row, const Story& story) const;

    //! Deletes the row's story folder (its files, then the folder if empty) and the row.
    //! Returns false when there is no such row.
    bool deleteRow(int row);

    //! Reads the header of one story file; false when it cannot be opened.
    static bool readRow(const QString& storyFile, LibraryRow& row);

private:
    void sortBy(int column);

    QString m_saveFolder;
    SortSwitches& m_switches;
    QList<LibraryRow> m_rows;
};
