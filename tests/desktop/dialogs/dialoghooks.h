#pragma once

#include "desktop/dialogs/dialogactions.h"
#include "shell/browseropener.h"

#include <QList>
#include <QUrl>

#include <functional>
#include <ostream>

class QWidget;

// Records every address it is asked to open, as the user's browser would receive them.
class RecordingOpener : public BrowserOpener
{
public:
    bool openAddress(const QUrl& address) override
    {
        opened.append(address);
        return true;
    }

    QList<QUrl> opened;
};

// One request to open the account or the microphone dialog.
struct DialogOpening
{
    QWidget* owner = nullptr;
    int parameter = -1;

    bool operator==(const DialogOpening&) const = default;
};

inline void PrintTo(const DialogOpening& opening, std::ostream* os)
{
    *os << "{owner " << static_cast<const void*>(opening.owner) << ", parameter " << opening.parameter << '}';
}

// The main window's side of the dialog hooks: addresses go through a recording opener the
// way the program's go through the browser, dialog requests and posted commands are kept.
class RecordedHooks
{
public:
    static inline const QString ServiceBase = QStringLiteral("http://127.0.0.1:8642");

    explicit RecordedHooks(const QString& programFolder) : m_programFolder(programFolder) {}

    DialogActions actions()
    {
        DialogActions actions = browserDialogActions(opener, m_programFolder, ServiceBase);
        actions.openAccount = [this](QWidget* owner, int parameter) {
            accountOpenings.append({owner, parameter});
            if (onAccount)
                onAccount(owner, parameter);
        };
        actions.openMicrophone = [this](QWidget* owner, int parameter) {
            microphoneOpenings.append({owner, parameter});
        };
        actions.postCommand = [this](int command) { commands.append(command); };
        return actions;
    }

    RecordingOpener opener;
    QList<DialogOpening> accountOpenings;
    QList<DialogOpening> microphoneOpenings;
    QList<int> commands;
    //! Runs after an account request is recorded, standing in for the dialog it opens.
    std::function<void(QWidget*, int)> onAccount;

private:
    QString m_programFolder;
};
