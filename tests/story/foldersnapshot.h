#pragma once

#include "tempfolder.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QString>

#include <map>

//! Every file under folder (relative name → bytes).
inline std::map<QString, QByteArray> folderSnapshot(const QString& folder)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files[QDir(folder).relativeFilePath(path)] = TempFolder::read(path);
    }
    return files;
}
