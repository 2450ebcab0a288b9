#pragma once

#include "shell/categorytree.h"
#include "shell/languagetable.h"

#include "tempfolder.h"

#include <QByteArray>

//! A "category.dat" with one usable level-1 category.
inline const QByteArray OneCategoryTable = "1.0\r\n1\r\n0\r\n0\r\n0\r\n1000000,1,1,Travel\r\n";

//! The tree a "category.dat" holding these bytes loads to.
inline CategoryTree categoriesOf(const QByteArray& bytes)
{
    const TempFolder temp;
    CategoryTree tree;
    tree.load(temp.write("category.dat", bytes));
    return tree;
}

//! The table a "language.dat" holding these bytes loads to; opened tells what load() said.
inline LanguageTable languagesOf(const QByteArray& bytes, bool* opened = nullptr)
{
    const TempFolder temp;
    LanguageTable table;
    const bool ok = table.load(temp.write("language.dat", bytes));
    if (opened)
        *opened = ok;
    return table;
}
