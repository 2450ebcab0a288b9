#pragma once

#include <QSize>
#include <QString>

#include <span>

//! The two resource namespaces: icon ids and bitmap ids may repeat between them (100, 900).
enum class ArtKind {
    Icon,
    Bitmap
};

//! One picture of the program: where its SVG lives and the size it is drawn at.
struct ArtEntry
{
    ArtKind kind;
    int id;
    //! File under :/art/.
    const char* file;
    //! The size the program draws it at.
    QSize size;
    //! A simpler drawing used at 24 pixels and below; null when there is none.
    const char* smallFile = nullptr;
};

namespace artcatalog {

//! Every picture the program shows, icons first, in id order within each kind.
std::span<const ArtEntry> entries();
//! Null when the kind has no picture with that id.
const ArtEntry* find(ArtKind kind, int id);
//! The compiled-in SVG to draw entry at size: the small drawing for small sizes.
QString resourcePath(const ArtEntry& entry, QSize size);

} // namespace artcatalog
