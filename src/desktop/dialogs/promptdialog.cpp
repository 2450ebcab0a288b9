#include "desktop/dialogs/promptdialog.h"

#include "desktop/dialogs/dialogplacement.h"

#include <QCheckBox>
#include <QCursor>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PromptDialog::PromptDialog(Kind kind, const QPixmap& iconPicture, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PROMPT_DIALOG_BOX"));
    setWindowTitle(caption(kind));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(iconPicture);
    icon->setAlignment(Qt::AlignTop);
    auto* message = new QLabel(text(kind), this);
    message->setObjectName(QStringLiteral("promptText"));
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    message->setMinimumWidth(220);
    m_dontShow = new QCheckBox(QStringLiteral("Don't show this message again"), this);
    m_dontShow->setObjectName(QStringLiteral("dontShowAgain"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(message, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_dontShow);
    layout->addWidget(buttons);
    setLayout(layout);
}

bool PromptDialog::dontShowAgain() const
{
    return m_dontShow->isChecked();
}

QString PromptDialog::text(Kind kind)
{
    return kind == Kind::RecordOver ? QStringLiteral("Clear the audio of this slide and record a new one?")
                                    : QStringLiteral("Clear the audio of this slide?");
}

QString PromptDialog::caption(Kind kind)
{
    return kind == Kind::RecordOver ? QStringLiteral("Record Audio") : QStringLiteral("Clear Audio");
}

void PromptDialog::showEvent(QShowEvent* event)
{
    // Just above and to the right of the pointer, where the user's attention is, but never
    // partly off the screen: a pointer near an edge would hide the buttons.
    const QPoint pointer = QCursor::pos();
    moveOnScreen(*this, QPoint(pointer.x(), pointer.y() - frameGeometry().height()), parentWidget());
    QDialog::showEvent(event);
}
