#pragma once

#include "desktop/dialogs/publishmessagedialog.h"

class SkinResources;

//! "Publish errors": what the service (or the connection) said when it refused to verify a
//! publication. Every way out ends it with result 0; "Help" opens the publishing help page.
class VerifyErrorDialog : public PublishMessageDialog
{
    Q_OBJECT
public:
    //! errorText is shown as given (the caller cuts it to its limit).
    VerifyErrorDialog(const QString& errorText, const SkinResources& skin, const DialogActions& actions,
                      QWidget* parent = nullptr);
};
