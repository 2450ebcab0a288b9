#include "story/publishtranscriptcommand.h"

#include "story/story.h"

PublishTranscriptCommand::PublishTranscriptCommand(Story& story, bool publish)
    : StoryCommand(story, publish ? QStringLiteral("Publish Transcript") : QStringLiteral("Keep Transcript Private")),
      m_publish(publish)
{}

bool PublishTranscriptCommand::apply()
{
    if (story().transcriptPublish() == m_publish)
        return false;
    story().setTranscriptPublish(m_publish);
    return true;
}

void PublishTranscriptCommand::revert()
{
    story().setTranscriptPublish(!m_publish);
}

void PublishTranscriptCommand::reapply()
{
    story().setTranscriptPublish(m_publish);
}
