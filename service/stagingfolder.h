#pragma once

#include <filesystem>
#include <memory>
#include <string>

//! A private folder for the files of one upload while it is checked; removed with the object.
class StagingFolder
{
public:
    explicit StagingFolder(std::filesystem::path path);
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

//! One running service's share of "incoming/": the folder "incoming/<instance id>/" that holds
//! its uploads' staging folders, and beside it "incoming/<instance id>.lock", flock()ed for the
//! service's whole life. Several services over one data folder (on one machine, or on shared
//! storage whose locks reach every machine, such as NFSv4) each stage in their own folder, and
//! a folder whose lock nobody holds belongs to a service that died.
class StagingArea
{
public:
    //! Takes a new instance id with its lock and folder inside incoming, then removes what dead
    //! services left there; a live service's folder stays. Throws std::filesystem_error when
    //! the lock file or the folder cannot be made.
    explicit StagingArea(const std::filesystem::path& incoming);
    //! Removes the folder and the lock file; the lock goes with the process in any case.
    ~StagingArea();
    StagingArea(const StagingArea&) = delete;
    StagingArea& operator=(const StagingArea&) = delete;

    //! 32 lower-case hex digits from the kernel's generator, new at every start.
    const std::string& instanceId() const { return m_id; }
    //! A new empty staging folder inside this service's folder; callable from any thread.
    StagingFolder stage() const;

private:
    //! Removes the folders of services whose lock is free, their lone lock files and anything
    //! else under incoming that no live service holds; safe beside other services doing the same.
    static void removeAbandoned(const std::filesystem::path& incoming, const std::string& keepId);

    std::filesystem::path m_incoming;
    std::string m_id;
    std::filesystem::path m_folder;
    int m_lock = -1;
};
