#pragma once

#include "export/exportjob.h"
#include "export/storyexport.h"

#include <QBasicTimer>
#include <QDialog>

#include <memory>

class ExportRun;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

//! "Export Video" (or "Export Audio" for a podcast): shows where the file goes, offers the
//! video's size and to burn the captions in before it starts, then runs the export on its worker with a
//! progress bar and Cancel; the window keeps handling events meanwhile. A sound-only export
//! starts at once. Ends with result 1 when the file was made and 0 otherwise (cancelled or
//! failed: result() says which); a cancelled export is waited for, so that no partial file is
//! left when the dialog is gone.
class ExportDialog : public QDialog
{
    Q_OBJECT
public:
    //! How often the bar follows the worker.
    static constexpr int ProgressTimerMs = 100;

    //! The sizes offered for a video, the job's own first when it is none of them.
    static const QList<QSize>& offeredSizes();

    //! The job was copied from the story on this thread; its captions switch and frame size
    //! are what the dialog first shows.
    explicit ExportDialog(ExportJob job, QWidget* parent = nullptr);
    //! Cancels and waits for the worker.
    ~ExportDialog() override;

    //! Starts the export with the size and caption choices made ("Export").
    void startExport();
    bool isRunning() const;
    //! The outcome once the dialog has ended; cancelled when it never started.
    ExportResult result() const { return m_result; }

    //! "Cancel" and Escape: before the start the dialog closes; while the export runs it is
    //! asked to stop and the dialog closes once it has.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void follow();

    std::unique_ptr<ExportRun> m_run;
    ExportResult m_result;
    QLabel* m_target = nullptr;
    QComboBox* m_size = nullptr;
    QCheckBox* m_captions = nullptr;
    QProgressBar* m_bar = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_cancel = nullptr;
    QBasicTimer m_timer;
};
