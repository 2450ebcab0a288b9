#include "stagingfolder.h"

#include <system_error>

StagingFolder::StagingFolder(std::filesystem::path path) : m_path(std::move(path))
{}

StagingFolder::~StagingFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}
