#pragma once

#include <QString>

#include <memory>

class QLockFile;

//! The working folder a running program may fill and empty: held for the program's life by a
//! lock file that other programs respect, so no program ever deletes the media of another.
//! The desktop program takes program folder + "temp/" (the folder whose recovery copy a
//! later start offers to restore), or "temp-2/", "temp-3/", … while another program holds
//! it; a command-line run takes "temp-cli/" (or "temp-cli-2/", …) in the same way, so it
//! never empties the desktop's folder. The media stay until the folder's next claimer resets
//! it. A lock left by a program that died is stale and taken over.
class WorkingFolderClaim
{
public:
    enum class Use {
        Desktop,
        CommandLine
    };

    //! Claims a folder in programFolder (ending with "/") and creates it; an invalid claim
    //! (empty path) when none can be created.
    static WorkingFolderClaim claim(const QString& programFolder, Use use);

    WorkingFolderClaim();
    WorkingFolderClaim(WorkingFolderClaim&&) noexcept;
    WorkingFolderClaim& operator=(WorkingFolderClaim&&) noexcept;
    //! Releases the lock; the folder stays.
    ~WorkingFolderClaim();

    bool isValid() const { return !m_path.isEmpty(); }
    //! The claimed folder, ending with "/".
    QString path() const { return m_path; }

private:
    void release();

    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
