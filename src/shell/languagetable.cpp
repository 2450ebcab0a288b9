#include "shell/languagetable.h"

#include "shell/textscan.h"

namespace {

// Line 1 is a format number nobody reads, line 2 the count; the names follow.
constexpr int FirstNameLine = 2;

} // namespace

bool LanguageTable::load(const QString& path)
{
    m_names.clear();
    const auto lines = textscan::readLatin1Lines(path);
    if (!lines)
        return false;
    const int announced = lines->size() > 1 ? textscan::leadingInt(lines->at(1)).value_or(0) : 0;
    if (announced < 0 || announced > MaxLanguages)
        return true;
    for (int i = 0; i < announced; ++i)
        m_names.append(lines->value(FirstNameLine + i));
    return true;
}
