#pragma once

#include "cli/clicontext.h"
#include "pictures/pictureimporter.h"
#include "story/story.h"
#include "story/storyfile.h"

#include <functional>
#include <memory>

//! A story loaded the way the program loads it: reset, read, imports awaited.
struct CliStory
{
    explicit CliStory(const CliContext& ctx) : story(ctx.programFolder, &importer, nullptr, ctx.workingFolder()) {}
    PictureImporter importer;
    Story story;
    LoadReport report;
};

//! Takes the story file and the options of a command: option(name, args) consumes an option
//! (and its value from args) and returns false for an unknown one. Throws UsageError.
QString takeStoryArguments(QStringList& args, const std::function<bool(const QString&, QStringList&)>& option);

//! Loads the ".sld" file; warnings go to stderr. Null (after an error message) when the
//! file cannot be opened.
std::unique_ptr<CliStory> loadCliStory(CliContext& ctx, const QString& path, const char* command);
