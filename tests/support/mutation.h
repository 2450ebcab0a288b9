#pragma once

#include <QByteArray>

#include <random>

//! What a damaged file may have suffered: seeded edits of its bytes.
struct Mutation
{
    int mostEdits = 4;   //!< 1 to this many edits per copy
    int mostRemoved = 3; //!< a removal takes 1 to this many bytes
    //! Besides flips, insertions and removals, sometimes inserts this (e.g. a UTF-16 line feed).
    QByteArray insertWhole;

    //! A copy of original with random bit flips, inserted and removed bytes.
    QByteArray apply(const QByteArray& original, std::mt19937& random) const
    {
        QByteArray bytes = original;
        const int edits = 1 + int(random() % quint32(mostEdits));
        const quint32 kinds = insertWhole.isEmpty() ? 3 : 4;
        for (int e = 0; e < edits; ++e) {
            const int at = int(random() % quint32(bytes.size() + 1));
            switch (random() % kinds) {
            case 0:
                if (at < bytes.size())
                    bytes[at] = char(bytes[at] ^ char(1 << (random() % 8)));
                break;
            case 1:
                bytes.insert(at, char(random() % 256));
                break;
            case 2:
                bytes.remove(at, 1 + int(random() % quint32(mostRemoved)));
                break;
            default:
                // On an even offset, so that a UTF-16 text stays aligned.
                bytes.insert(at & ~1, insertWhole);
                break;
            }
        }
        return bytes;
    }
};
