#pragma once

#include <QString>
#include <QStringList>

//! Whether the data files the program folder must hold ("category.dat", "language.dat") can
//! be used, and the words that tell the user when one cannot. GUI-free: the desktop shows
//! the texts in a message box, pictorelle-cli prints them.
namespace programdata {

enum class TableState {
    Usable,
    Missing,    //!< no such file
    Unreadable, //!< there, but not a file that can be opened
    Empty,      //!< opened, but it holds no category (or no language) this program reads
};

//! The state of program folder + "category.dat", read as the category chooser reads it.
TableState categoryTableState(const QString& programFolder);
//! The state of program folder + "language.dat", read as the User Settings read it.
TableState languageTableState(const QString& programFolder);

//! Names the category table's file, what is wrong with it and what does not work without it;
//! empty when the table is usable.
QString categoryTableProblem(const QString& programFolder);
//! The same for the language table.
QString languageTableProblem(const QString& programFolder);

//! Every problem of the two tables, in that order; empty when both are usable.
QStringList tableProblems(const QString& programFolder);
//! The start-up message for the problems, one paragraph each; empty when there are none.
QString startUpMessage(const QStringList& problems);

} // namespace programdata
