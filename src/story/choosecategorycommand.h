#pragma once

#include "story/storycommand.h"

#include <QString>

//! "Choose Category": sets the category name and id together (one storyInfoChanged); undo puts
//! both back. Refused when both are as they were.
class ChooseCategoryCommand : public StoryCommand
{
public:
    ChooseCategoryCommand(Story& story, const QString& name, int id);

protected:
    bool apply() override;
    void revert() override;
    void reapply() override;

private:
    QString m_oldName;
    int m_oldId = 0;
    QString m_newName;
    int m_newId;
};
