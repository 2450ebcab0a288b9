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
