#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

//! One category of the catalogue the desktop program offers. A level-1 id is a multiple of
//! 1,000,000, a level-2 id a multiple of 10,000 under its parent, a level-3 id a multiple of 100.
struct CategoryName
{
    std::int64_t id = 0;
    //! 1 to 4.
    int level = 4;
    //! The category has no sub-categories to choose from.
    bool leaf = false;
    //! UTF-8, at most 49 characters as the program keeps them; raw text, not HTML.
    std::string name;
};

//! The category names of the program's "category.dat" (Latin-1 text, CRLF lines: a version
//! line, four lines with the counts of levels 1 to 4, then "id,level,leaf,name" per line),
//! read the way the program reads it. Only read while serving, so shared by all requests.
class CategoryNames
{
public:
    //! Separator of the names in pathText(): "Travel > Europe > France".
    static constexpr std::string_view Separator = " > ";

    //! Replaces the table with the file's entries. False, with the table empty, when the file
    //! cannot be read, its version is above 1.0 or it holds no usable entry; error then says why.
    bool load(const std::filesystem::path& file, std::string& error);
    //! Replaces the table with the entries of a file's bytes; false when none is usable.
    bool parse(std::string_view bytes);

    bool empty() const { return m_entries.empty(); }
    //! Every category held, in file order (level-1 entries first, as the file lists them).
    const std::vector<CategoryName>& all() const { return m_entries; }
    //! The category with this id; null when the table has none.
    const CategoryName* find(std::int64_t id) const;
    //! The categories directly below parent, in file order; parent 0 gives the level-1 ones.
    std::vector<const CategoryName*> children(std::int64_t parent) const;
    //! The names from level 1 down to the category itself ("Travel", "Europe", "France");
    //! empty when the id is not in the table. An ancestor missing from the table is left out.
    std::vector<std::string> path(std::int64_t id) const;
    //! path() joined by Separator; empty when the id is not in the table.
    std::string pathText(std::int64_t id) const;

private:
    std::vector<CategoryName> m_entries;
    std::unordered_map<std::int64_t, std::size_t> m_byId;
};

//! Where the service reads its category names when no --categories is given: "category.dat"
//! beside the executable, else in the installed data folder; empty when neither exists.
std::filesystem::path defaultCategoryFile();
