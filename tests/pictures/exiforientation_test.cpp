#include "pictures/exiforientation.h"

#include <QByteArray>
#include <gtest/gtest.h>

#include <vector>

namespace {

// A TIFF block in either byte order holding one IFD of (tag, type, count, value) entries.
struct Entry
{
    quint16 tag, type;
    quint32 count, value;
};

QByteArray tiffBlock(bool bigEndian, const std::vector<Entry>& entries, quint32 ifdOffset = 8)
{
    QByteArray tiff;
    auto put16 = [&](quint16 v) {
        tiff.append(char(bigEndian ? v >> 8 : v & 0xff)).append(char(bigEndian ? v & 0xff : v >> 8));
    };
    auto put32 = [&](quint32 v) {
        if (bigEndian) {
            put16(quint16(v >> 16));
            put16(quint16(v & 0xffff));
        } else {
            put16(quint16(v & 0xffff));
            put16(quint16(v >> 16));
        }
    };
    tiff.append(bigEndian ? "MM" : "II");
    put16(42);
    put32(ifdOffset);
    put16(quint16(entries.size()));
    for (const Entry& e : entries) {
        put16(e.tag);
        put16(e.type);
        put32(e.count);
        if (e.type == 3) {
            put16(quint16(e.value)); // a SHORT sits in the first two bytes of the value field
            put16(0);
        } else {
            put32(e.value);
        }
    }
    put32(0); // no next IFD
    return tiff;
}

QByteArray segment(char marker, const QByteArray& payload)
{
    const int length = int(payload.size()) + 2;
    return QByteArray("\xff", 1).append(marker).append(char(length >> 8)).append(char(length & 0xff)) + payload;
}

QByteArray exifSegment(const QByteArray& tiff)
{
    return segment(char(0xe1), QByteArray("Exif\0\0", 6) + tiff);
}

const QByteArray soi("\xff\xd8", 2);
const QByteArray jfif = segment(char(0xe0), QByteArray("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));
// Start of scan: what follows is image data, never metadata.
const QByteArray sos = segment(char(0xda), QByteArray("\x01\x01\0\0\x3f\0", 6)) + QByteArray("\x12\x34\xff\xd9", 4);

int orientationOf(const QByteArray& bytes)
{
    // An exact-size copy, so that reading past the end would touch memory outside it.
    const std::vector<unsigned char> copy(bytes.begin(), bytes.end());
    return readExifOrientation(copy.data(), copy.size());
}

QByteArray jpegWithOrientation(bool bigEndian, int orientation)
{
    return soi + jfif + exifSegment(tiffBlock(bigEndian, {{0x010f, 2, 4, 0}, {0x0112, 3, 1, quint32(orientation)}})) +
           sos;
}

} // namespace

TEST(ExifOrientation, ReadsEveryOrientationInBothByteOrders)
{
    for (const bool bigEndian : {false, true}) {
        for (int orientation = 1; orientation <= 8; ++orientation) {
            // GIVEN a JPEG whose EXIF IFD holds the orientation after another tag
            // WHEN its orientation is read  THEN it is the tagged one
            EXPECT_EQ(orientationOf(jpegWithOrientation(bigEndian, orientation)), orientation)
                << bigEndian << orientation;
        }
    }
    // GIVEN the orientation as a LONG, as some tools write it  THEN it is read too
    EXPECT_EQ(orientationOf(soi + exifSegment(tiffBlock(false, {{0x0112, 4, 1, 6}})) + sos), 6);
    // GIVEN fill bytes before a marker and an IFD placed further into the block
    QByteArray padded = tiffBlock(true, {{0x0112, 3, 1, 8}}, 20);
    padded.insert(8, QByteArray(12, '\0'));
    EXPECT_EQ(orientationOf(soi + QByteArray("\xff\xff", 2) + jfif + exifSegment(padded) + sos), 8);
}

TEST(ExifOrientation, MissingOrMalformedExifMeansUpright)
{
    const QByteArray good = tiffBlock(true, {{0x0112, 3, 1, 6}});
    QByteArray badOrder = good;
    badOrder[0] = 'X';
    QByteArray badMagic = good;
    badMagic[3] = 41;
    const std::pair<const char*, QByteArray> cases[] = {
        {"no EXIF", soi + jfif + sos},
        {"not a JPEG", QByteArray("\x89PNG\r\n\x1a\n", 8) + exifSegment(good)},
        {"empty", QByteArray()},
        {"orientation 0", soi + exifSegment(tiffBlock(true, {{0x0112, 3, 1, 0}})) + sos},
        {"orientation 9", soi + exifSegment(tiffBlock(true, {{0x0112, 3, 1, 9}})) + sos},
        {"orientation as text", soi + exifSegment(tiffBlock(true, {{0x0112, 2, 1, 6}})) + sos},
        {"two orientations", soi + exifSegment(tiffBlock(true, {{0x0112, 3, 2, 6}})) + sos},
        {"unknown byte order", soi + exifSegment(badOrder) + sos},
        {"not TIFF", soi + exifSegment(badMagic) + sos},
        {"IFD past the block", soi + exifSegment(tiffBlock(true, {{0x0112, 3, 1, 6}}, 0xfffffff0u)) + sos},
        {"no Exif padding", soi + segment(char(0xe1), "Exif" + good) + sos},
        {"XMP, not EXIF", soi + segment(char(0xe1), "http://ns.adobe.com/xap/1.0/\0" + good) + sos},
        {"EXIF after the image data", soi + sos + exifSegment(good)},
        {"segment length 0", soi + QByteArray("\xff\xe1\0\0", 4) + exifSegment(good) + sos},
        {"bytes that are no marker", soi + QByteArray("abcd", 4) + exifSegment(good) + sos},
    };
    for (const auto& [name, bytes] : cases) {
        // GIVEN a file without a usable orientation  WHEN it is read  THEN it is upright
        EXPECT_EQ(orientationOf(bytes), 1) << name;
    }
    EXPECT_EQ(readExifOrientation(nullptr, 100), 1);
    // GIVEN an IFD that claims more entries than the block holds, the orientation among those present
    QByteArray overlong = tiffBlock(false, {{0x0112, 3, 1, 3}});
    overlong[8] = char(0xff);
    overlong[9] = char(0xff);
    EXPECT_EQ(orientationOf(soi + exifSegment(overlong) + sos), 3);
}

TEST(ExifOrientation, CutOffOrDamagedHeadersStayInsideTheBytes)
{
    const QByteArray whole = jpegWithOrientation(false, 7);
    const qsizetype exifEnd = whole.indexOf("\xff\xda");
    for (qsizetype length = 0; length <= whole.size(); ++length) {
        // GIVEN the file cut after any number of bytes
        const int orientation = orientationOf(whole.left(length));
        // THEN the orientation is found only once the orientation entry is complete
        if (length >= exifEnd)
            EXPECT_EQ(orientation, 7) << length;
        else
            EXPECT_TRUE(orientation == 1 || orientation == 7) << length;
    }
    for (qsizetype at = 2; at < exifEnd; ++at) {
        for (const char value : {'\0', '\x7f', '\xff'}) {
            // GIVEN one header byte overwritten  THEN a valid orientation comes back all the same
            QByteArray damaged = whole;
            damaged[at] = value;
            const int orientation = orientationOf(damaged);
            EXPECT_TRUE(orientation >= 1 && orientation <= 8) << at;
        }
    }
}
