#pragma once

#include "desktop/dialogs/dialogactions.h"

#include <QDialog>

#include <array>

class QGridLayout;
class QLabel;
class QPushButton;
class SkinResources;

//! The seven-page introduction. Each page shows up to two action buttons ("New User",
//! "User Settings", "Mic Setup", "Help") in two fixed slots; "Finish" on the last page closes.
class TutorialDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int PageCount = 7;
    //! The main window's help command, posted by "Help".
    static constexpr int HelpCommand = 114;

    //! skin must outlive the dialog; the actions are copied. The account and microphone
    //! dialogs open over parent (the main window), or over the tutorial without one.
    TutorialDialog(const SkinResources& skin, const DialogActions& actions, QWidget* parent = nullptr);

    //! 0 for the first page; every opening starts there.
    int page() const { return m_page; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    enum Action {
        NewUser,
        UserSettings,
        MicSetup,
        Help,
        ActionCount
    };

    QPushButton* actionButton(Action action, const QString& text, const QString& name, bool available);
    void runAction(Action action);
    void showPage(int page);
    void next();
    QWidget* dialogOwner();

    DialogActions m_actions;
    int m_page = 0;
    QLabel* m_header;
    QLabel* m_body;
    QPushButton* m_prev;
    QPushButton* m_next;
    QGridLayout* m_slots;
    std::array<QPushButton*, ActionCount> m_actionButtons{};
};
