#pragma once

#include <QString>

#include <array>
#include <vector>

//! One category of the service's catalogue. A level-1 id is a multiple of 1,000,000, a
//! level-2 id a multiple of 10,000 under its parent, a level-3 id a multiple of 100.
struct CategoryEntry
{
    static constexpr int NameCapacity = 50;

    int id = 0;
    //! 1 to 4.
    int level = 4;
    //! At most 49 characters.
    QString name;
    //! The category offers no sub-categories in the chooser.
    bool leaf = false;
};

//! The catalogue read from "category.dat": entries of levels 1 to 4 in file order.
class CategoryTree
{
public:
    static constexpr int Levels = 4;

    //! Replaces the table with the file's entries; returns isLoaded(). A missing file or a
    //! version above 1.0 leaves the table empty.
    bool load(const QString& path);

    //! At least one valid entry line was read.
    bool isLoaded() const { return m_total > 0; }
    //! Valid entry lines read, including those of levels outside 1 to 4 and beyond a declared count.
    int total() const { return m_total; }
    float version() const { return m_version; }
    //! Entries held for levels 1 to 4 (never more than the declared count, none when the
    //! declared count failed its bound); total() for any other level.
    int count(int level) const;
    //! N1 to N4 as the file header declares them; 0 for any other level.
    int declaredCount(int level) const;
    //! Null when index is outside 0 … count(level) − 1 or level is not 1 to 4.
    const CategoryEntry* entry(int index, int level) const;

private:
    void clear();

    std::array<std::vector<CategoryEntry>, Levels> m_levels;
    std::array<int, Levels> m_declared{};
    std::array<bool, Levels> m_allocated{};
    int m_total = 0;
    float m_version = 0.0f;
};
