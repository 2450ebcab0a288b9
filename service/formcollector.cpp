#include "formcollector.h"

#include "servicelimits.h"

#include <httplib.h>

namespace {

enum class PartKind {
    Text,
    File,
    Dropped
};

struct PartRule
{
    PartKind kind = PartKind::Dropped;
    std::size_t limit = 0;
};

// "photo12" → index 12 when name is prefix followed by a slide number below the slide limit.
bool hasSlideIndex(const std::string& name, std::string_view prefix)
{
    if (!name.starts_with(prefix) || name.size() == prefix.size() || name.size() > prefix.size() + 2)
        return false;
    const std::string_view digits = std::string_view(name).substr(prefix.size());
    if (digits.size() > 1 && digits.front() == '0')
        return false;
    int index = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return false;
        index = index * 10 + (c - '0');
    }
    return index < limits::Slides;
}

PartRule ruleFor(const std::string& name, bool staging)
{
    static const std::map<std::string, std::size_t> texts = {
        {"version", limits::ShortText},
        {"num_slides", limits::ShortText},
        {"cusername", limits::UserName},
        {"cpassword", limits::Password},
        {"verify_code", limits::ShortText},
        {"pictorelle_category", limits::ShortText},
        {"pictorelle_description", limits::Description},
        {"pictorelle_title", limits::Title},
        {"pictorelle_tags", limits::Tags},
        {"pictorelle_type", limits::ShortText},
        {"pictorelle_id", limits::ShortText},
        {"pictorelle_language", limits::Language},
        {"publish_transcript", limits::ShortText},
        {"transcript", limits::Transcript},
    };
    if (const auto it = texts.find(name); it != texts.end())
        return {PartKind::Text, it->second};
    if (hasSlideIndex(name, "description"))
        return {PartKind::Text, limits::Caption};
    if (hasSlideIndex(name, "tag"))
        return {PartKind::Text, limits::Tags};
    if (hasSlideIndex(name, "audiol"))
        return {PartKind::Text, limits::ShortText};
    const PartKind file = staging ? PartKind::File : PartKind::Dropped;
    if (hasSlideIndex(name, "photo"))
        return {file, limits::Picture};
    if (hasSlideIndex(name, "thumb"))
        return {file, limits::Thumbnail};
    if (hasSlideIndex(name, "audio"))
        return {file, limits::Narration};
    return {};
}

} // namespace

FormCollector::FormCollector(std::optional<std::filesystem::path> staging) : m_staging(std::move(staging))
{}

bool FormCollector::header(const httplib::MultipartFormData& part)
{
    finish();
    if (++m_count > limits::Parts || m_parts.count(part.name) != 0) {
        // Read on to the end, dropping the part, so the refusal reaches the client.
        m_malformed = true;
        return true;
    }
    const PartRule rule = ruleFor(part.name, m_staging.has_value());
    if (rule.kind == PartKind::Dropped)
        return true;
    m_current = &m_parts[part.name];
    m_currentLimit = rule.limit;
    if (rule.kind == PartKind::File) {
        // Numbered by arrival: the client's file name is never used as a path.
        m_current->file = *m_staging / (std::to_string(m_count) + ".part");
        m_file.open(m_current->file, std::ios::binary | std::ios::trunc);
        if (!m_file) {
            m_writeFailed = true;
            return false;
        }
    }
    return true;
}

bool FormCollector::data(const char* bytes, std::size_t length)
{
    m_total += length;
    if (m_total > limits::Request) {
        m_tooBig = true;
        return false;
    }
    if (!m_current)
        return true;
    if (m_current->size + length > m_currentLimit) {
        // The rest of an oversized part is read and dropped so the reply can still be sent.
        m_tooBig = true;
        m_current->size += length;
        return true;
    }
    m_current->size += length;
    if (m_current->file.empty()) {
        m_current->text.append(bytes, length);
        return true;
    }
    if (m_current->head.size() < 4)
        m_current->head.append(bytes, std::min<std::size_t>(length, 4 - m_current->head.size()));
    m_file.write(bytes, static_cast<std::streamsize>(length));
    if (!m_file) {
        m_writeFailed = true;
        return false;
    }
    return true;
}

void FormCollector::finish()
{
    if (m_file.is_open()) {
        m_file.close();
        if (m_file.fail())
            m_writeFailed = true;
    }
    m_current = nullptr;
}

const FormPart* FormCollector::part(const std::string& name) const
{
    const auto it = m_parts.find(name);
    return it == m_parts.end() ? nullptr : &it->second;
}
