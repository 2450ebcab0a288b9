#include "shell/programsettings.h"

#include "story/text.h"

void ProgramSettings::setProgramFolder(const QString& folder)
{
    m_programFolder = text::cut(folder, FolderCapacity);
}

void ProgramSettings::setAddPhotoFolder(const QString& folder)
{
    if (!folder.isEmpty())
        m_addPhotoFolder = text::cut(folder, FolderCapacity);
}

void ProgramSettings::setInputDevice(const QString& name)
{
    m_inputDevice = text::cut(name, FolderCapacity);
}

void ProgramSettings::setRecentStories(const QStringList& paths)
{
    m_recentStories.clear();
    for (const QString& path : paths) {
        if (m_recentStories.size() >= RecentCapacity)
            break;
        if (path.isEmpty() || path.size() >= FolderCapacity || m_recentStories.contains(path))
            continue;
        m_recentStories.append(path);
    }
}

void ProgramSettings::addRecentStory(const QString& path)
{
    QStringList paths = m_recentStories;
    paths.removeAll(path);
    paths.prepend(path);
    setRecentStories(paths);
}

void ProgramSettings::removeRecentStory(const QString& path)
{
    m_recentStories.removeAll(path);
}
