#pragma once

#include <QString>
#include <QStringList>

//! Where the program keeps its files, and the paths derived from that folder.
//! Every derived path is the program folder with a name appended, never searched for.
namespace programfolder {

//! Outcome of choosing the program folder.
struct Resolution
{
    //! Absolute, ends with "/"; set even when the folder could not be created.
    QString path;
    //! False when the folder did not exist and could not be created.
    bool ready = false;
};

//! The "--home" option taken out of a command line.
struct HomeOption
{
    //! The folder named by "--home DIR" or "--home=DIR" (the last one given); empty when absent.
    QString folder;
    //! The arguments without the option, in their order; nothing after "--" is taken as an option.
    QStringList remaining;
    //! "--home" ended the command line or named an empty folder.
    bool valueMissing = false;
};

//! Splits "--home DIR" / "--home=DIR" off the arguments.
HomeOption takeHomeOption(const QStringList& arguments);

//! The program folder: homeOption when given, else $PICTORELLE_HOME, else executableFolder
//! when it is a writable folder, else ~/.local/share/pictorelle/. The folder is created, and
//! whichever it is gets "category.dat", "language.dat" and the pages of "docs/" where they are
//! missing, each from executableFolder (a build puts them beside the programs) or else from
//! dataFolder (the installed copies). Files already there are never replaced.
Resolution resolve(const QString& homeOption, const QString& executableFolder, const QString& dataFolder);

//! Folder the installation puts "category.dat", "language.dat" and "docs/" in.
QString installedDataFolder();
//! ~/.local/share/pictorelle/ of the current user.
QString userFolder();

//! program folder + "temp/": the story being edited.
QString workingFolder(const QString& programFolder);
//! program folder + "save/": one sub-folder per saved story.
QString saveFolder(const QString& programFolder);
//! program folder + "pictorelle.ini".
QString settingsFile(const QString& programFolder);
//! program folder + "category.dat".
QString categoryFile(const QString& programFolder);
//! program folder + "language.dat".
QString languageFile(const QString& programFolder);
//! program folder + a relative page path such as "docs/introduction.htm".
QString helpPage(const QString& programFolder, const QString& relativePath);

} // namespace programfolder
