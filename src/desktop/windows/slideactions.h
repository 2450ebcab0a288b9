#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QUrl>

class ProgramSettings;
class Prompter;
class Story;
class ThumbnailStrip;

//! The edits that bring pictures in: Add Slide (a file chooser taking several pictures at
//! once; a segment in a podcast),
//! files dropped on the window, and Change Photo. Each is one undo step. The story, prompter,
//! settings and strip must outlive it.
class SlideActions : public QObject
{
    Q_OBJECT
public:
    SlideActions(Story& story, Prompter& prompter, ProgramSettings& settings, const QString& programFolder,
                 ThumbnailStrip& strip, QObject* parent);

    void addSlide();
    //! Adds the dropped picture files at the strip's drop index for clientPos; podcasts take
    //! none. Returns the number of slides added.
    int dropFiles(const QList<QUrl>& urls, QPoint clientPos);
    void changePhoto(int index);

private:
    //! After new pictures came in: the strip starts from its left end and takes the keys.
    void showAdded();

    Story& m_story;
    Prompter& m_prompter;
    ProgramSettings& m_settings;
    QString m_programFolder;
    ThumbnailStrip& m_strip;
};
