#pragma once

#include "story/story.h"

#include <QObject>
#include <QStringList>

#include <memory>

//! Writes down every change signal of a story as text ("slideAdded(2)", "modifiedChanged(true)"),
//! in the order told.
class SignalLog
{
public:
    explicit SignalLog(Story& story) : m_context(std::make_unique<QObject>())
    {
        QObject* c = m_context.get();
        const auto one = [this](const char* name) {
            return [this, name](int i) { add(QStringLiteral("%1(%2)").arg(name).arg(i)); };
        };
        QObject::connect(&story, &Story::slideAdded, c, one("slideAdded"));
        QObject::connect(&story, &Story::slideRemoved, c, one("slideRemoved"));
        QObject::connect(&story, &Story::slideMoved, c,
                         [this](int from, int to) { add(QStringLiteral("slideMoved(%1,%2)").arg(from).arg(to)); });
        QObject::connect(&story, &Story::slideChanged, c, one("slideChanged"));
        QObject::connect(&story, &Story::narrationChanged, c, one("narrationChanged"));
        QObject::connect(&story, &Story::currentChanged, c, one("currentChanged"));
        QObject::connect(&story, &Story::storyInfoChanged, c, [this] { add(QStringLiteral("storyInfoChanged")); });
        QObject::connect(&story, &Story::storyReset, c, [this] { add(QStringLiteral("storyReset")); });
        QObject::connect(&story, &Story::modifiedChanged, c,
                         [this](bool m) { add(QStringLiteral("modifiedChanged(%1)").arg(m ? "true" : "false")); });
        QObject::connect(&story, &Story::slideReady, c, one("slideReady"));
        QObject::connect(&story, &Story::importsFinished, c, [this] { add(QStringLiteral("importsFinished")); });
    }

    //! What was told since the last take.
    QStringList take()
    {
        QStringList told = m_told;
        m_told.clear();
        return told;
    }

private:
    void add(const QString& entry) { m_told << entry; }

    std::unique_ptr<QObject> m_context;
    QStringList m_told;
};
