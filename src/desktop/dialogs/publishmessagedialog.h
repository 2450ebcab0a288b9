#pragma once

#include "desktop/dialogs/dialogactions.h"

#include <QDialog>

class QGridLayout;
class SkinResources;

//! The frame the publishing messages share: a warning icon, a heading, the message under it,
//! "Help" (the publishing help page) and "OK". Every way out ends it with result 0.
class PublishMessageDialog : public QDialog
{
    Q_OBJECT
public:
    void accept() override;

protected:
    PublishMessageDialog(const QString& objectName, const QString& caption, const QString& heading,
                         const SkinResources& skin, const DialogActions& actions, QWidget* parent);
    //! Puts the message under the heading; stretch: it takes the room the dialog grows by.
    void setMessage(QWidget* message, bool stretch);
    void showEvent(QShowEvent* event) override;

private:
    DialogActions m_actions;
    QGridLayout* m_grid;
    QWidget* m_help = nullptr;
};
