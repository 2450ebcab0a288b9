#pragma once

#include "story/messenger.h"
#include "tempfolder.h"

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

//! Keeps every message shown, for tests to read back.
class RecordingMessenger : public Messenger
{
public:
    struct Message
    {
        QString caption;
        QString text;
        Icon icon;
    };

    void showMessage(const QString& caption, const QString& text, Icon icon) override
    {
        messages.push_back({caption, text, icon});
        if (whileShowing)
            whileShowing();
    }

    std::vector<Message> messages;
    //! Runs inside showMessage, to look at state while the caller waits for the user.
    std::function<void()> whileShowing;
};

//! What a walk over an MPEG audio stream found, read from the frame headers alone.
struct Mp3Walk
{
    int frames = 0;
    //! Bytes covered by whole, valid frames from the first byte on.
    qint64 frameBytes = 0;
    //! Every frame is MPEG-2 Layer III, 24 kbit/s, 22050 Hz, single channel.
    bool allNarrationFrames = true;
};

//! Walks the stream frame by frame from its first byte, stopping at the first byte that does
//! not start a frame (or a frame that would run past the end).
Mp3Walk walkMp3Frames(const QByteArray& bytes);

//! A voice-like 16-bit signal: a few harmonics of a wandering pitch under a syllable-rate
//! envelope, seconds long at rate and channels.
QByteArray voiceSamples(double seconds, int rate = 22050, int channels = 1);

//! Encoder library loaded for every test; tests that need it missing call hideCodec().
class Mp3Fixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    //! Unloads the library and points the loader at a file that does not exist.
    void hideCodec();

    TempFolder folder;
};
