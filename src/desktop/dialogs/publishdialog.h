#pragma once

#include "desktop/dialogs/dialogactions.h"
#include "publish/publicationrun.h"

#include <QBasicTimer>
#include <QDialog>

#include <functional>
#include <memory>

class Messenger;
class QLabel;
class QPushButton;
class ServiceClient;
class SkinResources;
class Story;
class UserAccount;

//! "Publishing your slides": runs one publication from its timers and shows its phase, a
//! progress bar drawn on the dialog, and the outcome. Closing it never waits on the network;
//! destroying it waits for the workers, which stop at their next check of the cancel flag.
//! While the story is saved with its new id it cannot be closed: Cancel is disabled.
class PublishDialog : public QDialog
{
    Q_OBJECT
public:
    //! Timer periods: verify reply, end of preparation, bar and upload reply.
    static constexpr int VerifyTimerMs = 500;
    static constexpr int PreparationTimerMs = 250;
    static constexpr int ProgressTimerMs = 100;

    //! Everything given must outlive the dialog. quietSave saves the story without a message
    //! once the upload succeeded (the story then carries its new id), written on a worker.
    //! messenger, when given, shows the engines' messages (a missing MP3 encoder). evenLoudness:
    //! the MP3s are made from the narrations brought to the even loudness.
    PublishDialog(Story& story, const UserAccount& account, ServiceClient& client, const QString& serviceBase,
                  const SkinResources& skin, const DialogActions& actions, PublicationRun::QuietSave quietSave,
                  QWidget* parent = nullptr, Messenger* messenger = nullptr, bool evenLoudness = false);
    ~PublishDialog() override;

    //! The publication on show.
    const PublicationRun& publication() const { return *m_run; }
    PublicationRun& publication() { return *m_run; }

    //! The bar's rectangle in a client area of that size: 15 pixels in from both sides,
    //! 20 high, its top 9 above the middle.
    static QRect barRect(QSize client);
    //! Pixels of the bar filled for a fraction (above 1 counts as 1; 0 or below fills nothing).
    static int filledWidth(QSize client, double fraction);

    //! "Ok": ends with result 1.
    void accept() override;
    //! "Cancel" and Escape: asks the workers to stop and ends with result 0 at once; does
    //! nothing while the quiet save is written.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void startPreparation();
    void stopTimers();
    //! Copies the run's texts and buttons onto the dialog.
    void refresh();
    //! Keeps the blocks above and below the bar the same height, so the bar sits between them.
    void balanceBlocks();

    Story& m_story;
    const SkinResources& m_skin;
    DialogActions m_actions;
    QString m_serviceBase;
    std::unique_ptr<PublicationRun> m_run;

    QWidget* m_top = nullptr;
    QWidget* m_bottom = nullptr;
    QLabel* m_statusWord = nullptr;
    QLabel* m_statusSentence = nullptr;
    QLabel* m_detail = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_view = nullptr;

    QBasicTimer m_verifyTimer;
    QBasicTimer m_preparationTimer;
    QBasicTimer m_progressTimer;
    bool m_closed = false;
    bool m_verifyErrorShown = false;
    double m_drawnFraction = 0;
};
