#pragma once

#include "desktop/dialogs/dialogactions.h"

#include <QDialog>

class QLabel;
class SkinResources;

//! "Pictorelle Dazuzarid": the program's name, version and icon, and a picture that links
//! to the web service's home page.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    //! skin is used only while constructing; the actions are copied.
    AboutDialog(const SkinResources& skin, const DialogActions& actions, QWidget* parent = nullptr);

    //! "version " followed by the version the program reports to the service.
    static QString versionText();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    DialogActions m_actions;
    QLabel* m_link;
};
