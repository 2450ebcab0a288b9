#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

namespace httplib {
struct MultipartFormData;
}

//! One received part: a text kept in memory, or a file written to the staging folder.
struct FormPart
{
    std::string text;
    std::filesystem::path file;
    std::uint64_t size = 0;
    //! The first bytes of a file part, for its signature.
    std::string head;
};

//! Collects a multipart form as it streams in, bounding every part. Known text parts stay in
//! memory, the media parts ("photo%d", "thumb%d", "audio%d") go to numbered files in the
//! staging folder, anything else is read and dropped. Used by one request's thread.
class FormCollector
{
public:
    //! Without a staging folder (verify) media parts are dropped like unknown ones.
    explicit FormCollector(std::optional<std::filesystem::path> staging = std::nullopt);

    //! Receivers for httplib's multipart reader; false stops reading (a body beyond the
    //! request limit, a file that cannot be written).
    bool header(const httplib::MultipartFormData& part);
    bool data(const char* bytes, std::size_t length);
    //! Closes the last file; call once the reader has finished.
    void finish();

    const FormPart* part(const std::string& name) const;
    //! A part, or the whole body, was longer than allowed; its bytes were dropped.
    bool tooBig() const { return m_tooBig; }
    //! A name came twice, or there were too many parts.
    bool malformed() const { return m_malformed; }
    //! A staging file could not be written: the service's fault, not the client's.
    bool writeFailed() const { return m_writeFailed; }

private:
    std::optional<std::filesystem::path> m_staging;
    std::map<std::string, FormPart> m_parts;
    FormPart* m_current = nullptr;
    std::size_t m_currentLimit = 0;
    std::ofstream m_file;
    std::uint64_t m_total = 0;
    int m_count = 0;
    bool m_tooBig = false;
    bool m_malformed = false;
    bool m_writeFailed = false;
};
