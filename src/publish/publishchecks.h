#pragma once

#include <QString>

class Story;
class UserAccount;

//! The checks before publishing: every problem as one line of the report.
struct CheckReport
{
    //! One line per problem, each starting with a space and ending with CR LF.
    QString text;
    //! A story-information field (title, description, category, tags) is missing: after
    //! the report the story information dialog opens, when the story has slides.
    bool infoProblem = false;
    bool isClean() const { return text.isEmpty(); }
};

//! Runs the checks in their fixed order. Reads only.
CheckReport runPublishChecks(const Story& story, const UserAccount& account);

//! What the check report shows for a clean story.
QString noErrorsText();

//! The UTF-8 size beyond which a transcript cannot be sent.
constexpr qsizetype MaxTranscriptBytes = 299999;
//! Longest podcast in seconds (15 minutes).
constexpr int MaxPodcastSeconds = 900;
