#include "categorynames.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <system_error>

namespace {

constexpr int Levels = 4;
constexpr std::int64_t MinimumId = 1000000;
constexpr int HeaderLines = 5;
// The name follows the first comma at this 0-based position or later: the comma after the
// flag when the id has seven digits and level and flag one digit each.
constexpr std::size_t NameCommaFrom = 11;
// The program keeps 49 characters of a name (Latin-1: one byte each).
constexpr std::size_t NameLength = 49;
// Id step of each level: a category's ancestor on level n is id / Unit[n] * Unit[n], and its
// children on level n + 1 lie strictly between that ancestor and ancestor + Unit[n].
constexpr std::array<std::int64_t, Levels> Unit = {1000000, 10000, 100, 1};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::size_t skipBlanks(std::string_view s, std::size_t i)
{
    while (i < s.size() && isBlank(s[i]))
        ++i;
    return i;
}

// An int at the start of s after blanks, with an optional sign; end is set past its digits.
// Nothing when there are no digits or the number does not fit an int.
std::optional<int> leadingInt(std::string_view s, std::size_t* end = nullptr)
{
    std::size_t i = skipBlanks(s, 0);
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    if (i >= s.size() || !isDigit(s[i]))
        return std::nullopt;
    constexpr std::int64_t Limit = std::int64_t(std::numeric_limits<int>::max()) + 1;
    std::int64_t value = 0;
    for (; i < s.size() && isDigit(s[i]); ++i)
        value = std::min(value * 10 + (s[i] - '0'), Limit + 1);
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return std::nullopt;
    if (end)
        *end = i;
    return int(value);
}

// A decimal number at the start of s after blanks ("1.0", "+2", "1e0"); nothing without digits.
std::optional<double> leadingNumber(std::string_view s)
{
    std::size_t i = skipBlanks(s, 0);
    if (i < s.size() && s[i] == '+')
        ++i;
    double value = 0;
    const auto [end, failure] = std::from_chars(s.data() + i, s.data() + s.size(), value);
    if (failure != std::errc() || end == s.data() + i)
        return std::nullopt;
    // from_chars also reads "inf" and "nan"; the file holds plain numbers only.
    if (!isDigit(s[i]) && s[i] != '-' && s[i] != '.')
        return std::nullopt;
    return value;
}

std::string latin1ToUtf8(std::string_view latin1)
{
    std::string out;
    out.reserve(latin1.size());
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

std::vector<std::string_view> splitLines(std::string_view bytes)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        if (end == std::string_view::npos)
            end = bytes.size();
        std::size_t stop = end;
        if (stop > start && bytes[stop - 1] == '\r')
            --stop;
        lines.push_back(bytes.substr(start, stop - start));
        start = next;
    }
    return lines;
}

// Reads "%d,%d,%d" from the start of the line; numbers that are missing keep their defaults.
void scanNumbers(std::string_view line, CategoryName& entry)
{
    int id = 0;
    int flag = 0;
    int* const fields[] = {&id, &entry.level, &flag};
    std::size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (pos >= line.size() || line[pos] != ',')
                break;
            ++pos;
        }
        std::size_t end = 0;
        const auto number = leadingInt(line.substr(pos), &end);
        if (!number)
            break;
        *fields[i] = *number;
        pos += end;
    }
    entry.id = id;
    entry.leaf = flag != 0;
}

} // namespace

bool CategoryNames::load(const std::filesystem::path& file, std::string& error)
{
    m_entries.clear();
    m_byId.clear();
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = "cannot read " + file.string() + ": " + std::strerror(errno);
        return false;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read " + file.string();
        return false;
    }
    if (!parse(bytes)) {
        error = file.string() + " holds no category the program could read (version 1.0 at most, "
                                "then the counts of levels 1 to 4 and one \"id,level,leaf,name\" line per category)";
        return false;
    }
    return true;
}

bool CategoryNames::parse(std::string_view bytes)
{
    m_entries.clear();
    m_byId.clear();
    const std::vector<std::string_view> lines = splitLines(bytes);
    const auto header = [&lines](std::size_t index) {
        return index < lines.size() ? lines[index] : std::string_view();
    };
    const float version = float(leadingNumber(header(0)).value_or(0.0));
    if (version > 1.0f)
        return false;
    // Bounds of the program's tables: fewer than 100 level-1 entries, fewer than 100 per
    // parent below; lines beyond a level's declared count have no place in them.
    std::array<std::int64_t, Levels> declared{};
    std::array<bool, Levels> allocated{};
    std::array<std::int64_t, Levels> held{};
    for (int level = 0; level < Levels; ++level) {
        declared[level] = leadingInt(header(std::size_t(level) + 1)).value_or(0);
        allocated[level] = declared[level] >= 0 && declared[level] < (level == 0 ? 100 : declared[level - 1] * 100);
    }
    for (std::size_t i = HeaderLines; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        CategoryName entry;
        scanNumbers(line, entry);
        const std::size_t comma = line.size() > NameCommaFrom ? line.find(',', NameCommaFrom) : std::string_view::npos;
        if (comma == std::string_view::npos || entry.id < MinimumId || comma + 1 >= line.size())
            continue;
        if (entry.level < 1 || entry.level > Levels)
            continue;
        const int slot = entry.level - 1;
        if (!allocated[slot] || held[slot] >= declared[slot])
            continue;
        ++held[slot];
        entry.name = latin1ToUtf8(line.substr(comma + 1, NameLength));
        m_byId.emplace(entry.id, m_entries.size());
        m_entries.push_back(std::move(entry));
    }
    return !m_entries.empty();
}

const CategoryName* CategoryNames::find(std::int64_t id) const
{
    const auto it = m_byId.find(id);
    return it == m_byId.end() ? nullptr : &m_entries[it->second];
}

std::vector<const CategoryName*> CategoryNames::children(std::int64_t parent) const
{
    std::vector<const CategoryName*> found;
    if (parent == 0) {
        for (const CategoryName& entry : m_entries)
            if (entry.level == 1)
                found.push_back(&entry);
        return found;
    }
    const CategoryName* const above = find(parent);
    if (!above || above->level >= Levels)
        return found;
    const std::int64_t step = Unit[std::size_t(above->level) - 1];
    for (const CategoryName& entry : m_entries)
        if (entry.level == above->level + 1 && entry.id > parent && entry.id < parent + step)
            found.push_back(&entry);
    return found;
}

std::vector<std::string> CategoryNames::path(std::int64_t id) const
{
    const CategoryName* const own = find(id);
    if (!own)
        return {};
    std::vector<std::string> names;
    for (int level = 1; level < own->level; ++level) {
        const std::int64_t ancestorId = id / Unit[std::size_t(level) - 1] * Unit[std::size_t(level) - 1];
        const CategoryName* const ancestor = find(ancestorId);
        if (ancestor && ancestorId != id && ancestor->level == level)
            names.push_back(ancestor->name);
    }
    names.push_back(own->name);
    return names;
}

std::string CategoryNames::pathText(std::int64_t id) const
{
    std::string text;
    for (const std::string& name : path(id)) {
        if (!text.empty())
            text += Separator;
        text += name;
    }
    return text;
}

std::filesystem::path defaultCategoryFile()
{
    std::error_code failed;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", failed);
    if (!failed) {
        const std::filesystem::path beside = executable.parent_path() / "category.dat";
        if (std::filesystem::is_regular_file(beside, failed))
            return beside;
    }
#ifdef PICTORELLE_DATA_DIR
    const std::filesystem::path installed = std::filesystem::path(PICTORELLE_DATA_DIR) / "category.dat";
    if (std::filesystem::is_regular_file(installed, failed))
        return installed;
#endif
    return {};
}
