#pragma once

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

//! One private PulseAudio daemon (scripts/test-pulse.sh) per test process, started by the first
//! test that needs it and stopped when the tests end. Its default source is a steady 440 Hz
//! tone delivered in real time (a sine played into a null sink, recorded from that sink's
//! monitor): the script's sine source hands out two seconds at once, unlike a microphone.
//! The default sink is the null sink "speaker", kept busy with silence for the same reason.
class PulseTestEnvironment : public ::testing::Environment
{
public:
    //! Starts the daemon once and points PULSE_SERVER at it; the reason when it cannot.
    static QString start();
    //! Runs pactl against the daemon; its standard output, empty also when it failed.
    static QString pactl(const QStringList& args);
    void TearDown() override;
};

//! Skips the test without a daemon, except on CI (CI=true), where that is a failure.
#define REQUIRE_PULSE()                                                                                                \
    do {                                                                                                               \
        const QString pulseFailure = PulseTestEnvironment::start();                                                    \
        if (!pulseFailure.isEmpty()) {                                                                                 \
            if (qgetenv("CI") == "true")                                                                               \
                FAIL() << pulseFailure.toStdString();                                                                  \
            GTEST_SKIP() << pulseFailure.toStdString();                                                                \
        }                                                                                                              \
    } while (false)

//! Sets an environment variable for a scope and restores it afterwards.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const QByteArray& value);
    ~ScopedEnvironment();

private:
    const char* m_name;
    QByteArray m_previous;
    bool m_wasSet;
};
