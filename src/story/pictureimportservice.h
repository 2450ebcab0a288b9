#pragma once

#include <QList>

class Story;
class Slide;

//! Decodes pictures for the story. The real one runs a thread pool; tests use a fake.
class PictureImportService
{
public:
    virtual ~PictureImportService() = default;

    //! Starts importing the slide's picture. Called on the story's thread; the result
    //! reaches the story later through Story::applyImport on that same thread.
    virtual void startImport(Story& story, Slide& slide) = 0;

    //! Processes the slides' pictures again with their rotation; returns when done and applied.
    virtual void reprocess(Story& story, const QList<Slide*>& slides) = 0;

    //! Blocks until no import job runs any more (their results may still be queued).
    virtual void waitForIdle() = 0;
};
