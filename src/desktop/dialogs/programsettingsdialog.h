#pragma once

#include "desktop/dialogs/dialogactions.h"

#include <QDialog>

class ProgramSettings;
class QCheckBox;
class SkinResources;

//! "Settings": the two narration warnings, even loudness of published narrations, the account
//! and microphone set-up and help. OK writes the switches; Cancel leaves them as they were.
class ProgramSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    //! settings and skin must outlive the dialog; the actions are copied.
    ProgramSettingsDialog(ProgramSettings& settings, const SkinResources& skin, const DialogActions& actions,
                          QWidget* parent = nullptr);

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    ProgramSettings& m_settings;
    DialogActions m_actions;
    QCheckBox* m_clearWarning;
    QCheckBox* m_recordOverWarning;
    QCheckBox* m_evenLoudness;
};
