#pragma once

#include "story/storycommand.h"

//! "Publish Transcript" / "Keep Transcript Private": the podcast's switch that sends the
//! transcript with the story. Refused when the switch already stands so.
class PublishTranscriptCommand : public StoryCommand
{
public:
    PublishTranscriptCommand(Story& story, bool publish);

protected:
    bool apply() override;
    void revert() override;
    void reapply() override;

private:
    bool m_publish;
};
