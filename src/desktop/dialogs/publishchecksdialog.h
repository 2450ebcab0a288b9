#pragma once

#include "desktop/dialogs/publishmessagedialog.h"

class SkinResources;
class Story;
class UserAccount;

//! "Publish Pictorelle": the report of the checks before publishing. Shows, never changes.
class PublishChecksDialog : public PublishMessageDialog
{
    Q_OBJECT
public:
    //! Always shows the report; a clean story reads " - No errors found".
    static constexpr int CheckMode = 0;
    //! A clean story is never shown (any mode above 0).
    static constexpr int PublishMode = 1;
    //! The main window's command that opens the story information dialog.
    static constexpr int EditStoryCommand = 21000;

    //! Runs the checks modally over parent. Returns 1 when mode is above 0 and the story is
    //! clean (the dialog never appears), else 0 once the user closed the report; after that,
    //! when a title, description, category or tag is missing and the story has slides, posts
    //! the edit-story command through actions.
    static int run(Story& story, const UserAccount& account, int mode, const SkinResources& skin,
                   const DialogActions& actions, QWidget* parent);

    //! Shows reportText (lines ending in CR LF) as it stands.
    PublishChecksDialog(const QString& reportText, const SkinResources& skin, const DialogActions& actions,
                        QWidget* parent = nullptr);
};
