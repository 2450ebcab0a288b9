#pragma once

#include "audio/mp3codec.h"
#include "audio/mp3encoder.h"
#include "audio/wavefilesink.h"
#include "desktop/dialogs/publishchecksdialog.h"
#include "desktop/dialogs/publishdialog.h"
#include "desktop/dialogs/verifyerrordialog.h"
#include "desktop/widgets/skinresources.h"
#include "publish/serviceclient.h"
#include "shell/useraccount.h"
#include "shell/weblinks.h"
#include "story/slide.h"
#include "story/story.h"
#include "story/storyfile.h"

#include "dialoghooks.h"
#include "referenceservice.h"
#include "tempfolder.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>

constexpr int WaitMs = 15000;

inline QString md5Hex(const QString& password)
{
    return QString::fromLatin1(QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Md5).toHex());
}

inline QString labelText(const QWidget& dialog, const char* name)
{
    const auto* label = dialog.findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no label %1>").arg(QLatin1String(name));
}

inline QPushButton* button(const QWidget& dialog, const char* name)
{
    return dialog.findChild<QPushButton*>(QLatin1String(name));
}

//! Polls for modal dialogs; each one found is remembered with its texts and handled by onModal.
class ModalWatcher : public QObject
{
public:
    struct Seen
    {
        QString name;
        QString caption;
        QString heading;
        QString body; //!< the report, or the error text
    };

    //! Runs on every modal dialog found; the default closes it with Escape.
    std::function<void(QDialog&)> onModal = [](QDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); };
    QList<Seen> seen;
    //! A dialog of this name is left alone and not remembered (the publish dialog, itself modal).
    QString ignored;

    ModalWatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || dialog == m_last || dialog->objectName() == ignored)
                return;
            m_last = dialog;
            const char* bodyName = dialog->objectName() == "VERIFY_ERROR_BOX" ? "errorText" : "report";
            seen.append({dialog->objectName(), dialog->windowTitle(), labelText(*dialog, "heading"),
                         labelText(*dialog, bodyName)});
            onModal(*dialog);
        });
        m_timer.start(5);
    }

private:
    QTimer m_timer;
    QPointer<QDialog> m_last;
};

// ---------------------------------------------------------------------------------------
// The checks before publishing.

class PublishChecksDialogTest : public ::testing::Test
{
protected:
    TempFolder home;
    RecordedHooks hooks{home.path()};
    SkinResources skin;
    QWidget owner;
    Story story{home.path()};
    UserAccount account;

    void SetUp() override
    {
        QCursor::setPos(QPoint(1500, 1200));
        home.write(QStringLiteral("docs/publish.htm"), "<html></html>");
        owner.resize(800, 600);
        owner.show();
    }

    void addSlide(int seconds)
    {
        auto slide = std::make_unique<Slide>(story);
        slide->setKind(SlideKind::Legacy); // no picture import
        slide->setNarrationLength(seconds);
        story.add(std::move(slide));
    }

    void fillEverything()
    {
        story.setTitle(QStringLiteral("Tide pools"));
        story.setDescription(QStringLiteral("A morning on the rocks"));
        story.setCategoryId(2060200);
        story.setTags(QStringLiteral("sea;rocks"));
        account.setUserName(QStringLiteral("alice"));
        account.setPassword(md5Hex(QStringLiteral("secret")));
    }

    int runChecks(int mode) { return PublishChecksDialog::run(story, account, mode, skin, hooks.actions(), &owner); }
};
