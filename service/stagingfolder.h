#pragma once

#include <filesystem>

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
