#pragma once

#include <QString>
#include <QStringList>

//! Per-installation settings kept in "pictorelle.ini": window placement, cue-card
//! window position, warning switches and the folders the program works with.
class ProgramSettings
{
public:
    static constexpr int FolderCapacity = 1024;
    //! File > Open Recent lists this many stories.
    static constexpr int RecentCapacity = 8;

    //! 1 hides the prompt before a narration is cleared.
    int hideClearAudio() const { return m_hideClearAudio; }
    void setHideClearAudio(int hide) { m_hideClearAudio = hide; }
    //! 1 hides the prompt before recording over a narration.
    int hideRecordOverAudio() const { return m_hideRecordOverAudio; }
    void setHideRecordOverAudio(int hide) { m_hideRecordOverAudio = hide; }
    //! Cue-card window position in screen pixels.
    int cueX() const { return m_cueX; }
    int cueY() const { return m_cueY; }
    void setCueX(int x) { m_cueX = x; }
    void setCueY(int y) { m_cueY = y; }
    //! Main window rectangle in screen pixels; the caller fills it in before saving.
    int windowX() const { return m_windowX; }
    int windowY() const { return m_windowY; }
    int windowWidth() const { return m_windowWidth; }
    int windowHeight() const { return m_windowHeight; }
    void setWindowX(int x) { m_windowX = x; }
    void setWindowY(int y) { m_windowY = y; }
    void setWindowWidth(int width) { m_windowWidth = width; }
    void setWindowHeight(int height) { m_windowHeight = height; }

    //! Ends with "/"; never stored in the settings file.
    QString programFolder() const { return m_programFolder; }
    //! Keeps at most 1023 characters.
    void setProgramFolder(const QString& folder);
    //! Initial folder of the Add Slide file dialog.
    QString addPhotoFolder() const { return m_addPhotoFolder; }
    //! Ignores an empty folder; keeps at most 1023 characters.
    void setAddPhotoFolder(const QString& folder);
    //! Sound-server name of the microphone to record from; empty for the server's default.
    QString inputDevice() const { return m_inputDevice; }
    //! Keeps at most 1023 characters.
    void setInputDevice(const QString& name);
    //! Published and exported narrations are brought to one loudness (the takes stay as
    //! recorded); on unless switched off.
    bool evenLoudness() const { return m_evenLoudness; }
    void setEvenLoudness(bool on) { m_evenLoudness = on; }
    //! The story files last saved or opened, newest first: at most eight, each once.
    QStringList recentStories() const { return m_recentStories; }
    //! Keeps the list's order, without empty paths, repeats or paths of 1024 characters or
    //! more, and only its first eight.
    void setRecentStories(const QStringList& paths);
    //! A story file just saved or opened goes to the front; an earlier place of it goes.
    void addRecentStory(const QString& path);
    //! A story file that is no longer there leaves the list.
    void removeRecentStory(const QString& path);

private:
    int m_hideClearAudio = 0;
    int m_hideRecordOverAudio = 0;
    int m_cueX = 0;
    int m_cueY = 0;
    int m_windowX = 0;
    int m_windowY = 0;
    int m_windowWidth = 800;
    int m_windowHeight = 600;
    QString m_programFolder;
    QString m_addPhotoFolder;
    QString m_inputDevice;
    bool m_evenLoudness = true;
    QStringList m_recentStories;
};
