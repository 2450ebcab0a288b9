#include "pictures/exiforientation.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr int upright = 1;
constexpr uint16_t orientationTag = 0x0112;
constexpr uint16_t shortType = 3;
constexpr uint16_t longType = 4;
constexpr size_t ifdEntrySize = 12;

// TIFF data in either byte order; every read is checked against the block's end.
class TiffBlock
{
public:
    TiffBlock(const unsigned char* data, size_t size) : m_data(data), m_size(size) {}

    bool read16(size_t offset, uint16_t& value) const
    {
        if (offset > m_size || m_size - offset < 2)
            return false;
        const unsigned char* p = m_data + offset;
        value = m_bigEndian ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
        return true;
    }

    bool read32(size_t offset, uint32_t& value) const
    {
        uint16_t first = 0, second = 0;
        if (!read16(offset, first) || !read16(offset + 2, second))
            return false;
        value = m_bigEndian ? uint32_t(first) << 16 | second : uint32_t(second) << 16 | first;
        return true;
    }

    // "II" or "MM", then 42, then the offset of the first IFD.
    bool readHeader(size_t& firstIfd)
    {
        if (m_size < 8)
            return false;
        if (std::memcmp(m_data, "MM", 2) == 0)
            m_bigEndian = true;
        else if (std::memcmp(m_data, "II", 2) != 0)
            return false;
        uint16_t magic = 0;
        uint32_t offset = 0;
        if (!read16(2, magic) || magic != 42 || !read32(4, offset))
            return false;
        firstIfd = offset;
        return true;
    }

private:
    const unsigned char* m_data;
    size_t m_size;
    bool m_bigEndian = false;
};

int orientationInTiff(const unsigned char* data, size_t size)
{
    TiffBlock tiff(data, size);
    size_t ifd = 0;
    uint16_t entries = 0;
    if (!tiff.readHeader(ifd) || !tiff.read16(ifd, entries))
        return upright;
    for (size_t i = 0; i < entries; ++i) {
        const size_t entry = ifd + 2 + i * ifdEntrySize;
        uint16_t tag = 0, type = 0;
        uint32_t count = 0;
        if (!tiff.read16(entry, tag) || !tiff.read16(entry + 2, type) || !tiff.read32(entry + 4, count))
            return upright;
        if (tag != orientationTag)
            continue;
        uint32_t value = 0;
        if (count != 1)
            return upright;
        if (type == shortType) {
            uint16_t shortValue = 0;
            if (!tiff.read16(entry + 8, shortValue))
                return upright;
            value = shortValue;
        } else if (type != longType || !tiff.read32(entry + 8, value)) {
            return upright;
        }
        return value >= 1 && value <= 8 ? int(value) : upright;
    }
    return upright;
}

} // namespace

int readExifOrientation(const unsigned char* data, size_t size)
{
    if (data == nullptr || size < 4 || data[0] != 0xff || data[1] != 0xd8)
        return upright;
    size_t pos = 2;
    while (pos + 4 <= size) {
        if (data[pos] != 0xff)
            return upright; // not a marker: the header is damaged
        const unsigned char marker = data[pos + 1];
        if (marker == 0xff) {
            ++pos; // fill byte
            continue;
        }
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd8)) {
            pos += 2; // markers without a length
            continue;
        }
        if (marker == 0xda || marker == 0xd9)
            return upright; // image data or the end: EXIF comes before both
        const size_t length = size_t(data[pos + 2]) << 8 | data[pos + 3];
        if (length < 2)
            return upright;
        const size_t available = size - (pos + 4);
        const size_t payload = length - 2 < available ? length - 2 : available;
        const unsigned char* segment = data + pos + 4;
        if (marker == 0xe1 && payload >= 6 && std::memcmp(segment, "Exif\0\0", 6) == 0)
            return orientationInTiff(segment + 6, payload - 6);
        pos += 2 + length;
    }
    return upright;
}
