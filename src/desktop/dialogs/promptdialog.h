#pragma once

#include <QDialog>
#include <QPixmap>

class QCheckBox;

//! Asks before a slide's narration is thrown away: "Clear Audio" or "Record Audio", with
//! "Don't show this message again". Opens just above and right of the pointer.
class PromptDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Kind {
        RecordOver = 481,
        Clear = 21009
    };

    //! icon: the program's small picture beside the question (may be null).
    PromptDialog(Kind kind, const QPixmap& icon, QWidget* parent = nullptr);
    //! The check box was ticked (read after OK).
    bool dontShowAgain() const;
    //! The question asked for kind.
    static QString text(Kind kind);
    //! The window caption for kind.
    static QString caption(Kind kind);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QCheckBox* m_dontShow;
};
