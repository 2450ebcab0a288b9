#include "pictures/jpegcodec.h"

#include <turbojpeg.h>

// libjpeg's header needs FILE and size_t declared first.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdlib>
#include <memory>

namespace {

struct CodecCloser
{
    void operator()(void* handle) const { tjDestroy(handle); }
};
using Codec = std::unique_ptr<void, CodecCloser>;

// The smallest scaling factor whose longest side still reaches minimumSide.
tjscalingfactor scaleFor(int width, int height, int minimumSide)
{
    tjscalingfactor best{1, 1};
    const int longest = std::max(width, height);
    if (minimumSide <= 0 || longest <= minimumSide)
        return best;
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    for (int i = 0; factors != nullptr && i < count; ++i) {
        const tjscalingfactor f = factors[i];
        if (f.num > f.denom)
            continue; // enlarging
        const int side = TJSCALED(longest, f);
        if (side >= minimumSide && side < TJSCALED(longest, best))
            best = f;
    }
    return best;
}

// Warnings (a cut-off file, stray bytes between markers) still leave a whole picture.
bool succeeded(int status, tjhandle codec)
{
    return status == 0 || tjGetErrorCode(codec) == TJERR_WARNING;
}

} // namespace

namespace jpegcodec {

std::optional<ScaledJpeg> decodeScaled(const unsigned char* data, size_t size, int minimumSide)
{
    if (data == nullptr || size == 0 || size > ULONG_MAX)
        return std::nullopt;
    const Codec codec(tjInitDecompress());
    if (!codec)
        return std::nullopt;
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (!succeeded(tjDecompressHeader3(codec.get(), data, static_cast<unsigned long>(size), &width, &height,
                                       &subsampling, &colorspace),
                   codec.get()) ||
        width <= 0 || height <= 0)
        return std::nullopt;
    if (colorspace == TJCS_CMYK || colorspace == TJCS_YCCK)
        return std::nullopt; // no conversion to RGB here
    const tjscalingfactor scale = scaleFor(width, height, minimumSide);
    const bool gray = colorspace == TJCS_GRAY;
    ScaledJpeg jpeg{RasterPicture(TJSCALED(width, scale), TJSCALED(height, scale), gray ? 1 : 3), {width, height}};
    RasterPicture& picture = jpeg.picture;
    const int status =
        tjDecompress2(codec.get(), data, static_cast<unsigned long>(size), picture.bits(), picture.width(),
                      picture.stride(), picture.height(), gray ? TJPF_GRAY : TJPF_RGB, 0);
    if (!succeeded(status, codec.get()))
        return std::nullopt;
    return jpeg;
}

QByteArray encode(const RasterPicture& picture, int quality)
{
    if (picture.isNull())
        return {};
    // Everything libjpeg writes through or jumps back over lives here, in memory, not in registers.
    struct Encoding
    {
        jpeg_error_mgr errors;
        std::jmp_buf failed;
        jpeg_compress_struct info;
        unsigned char* out = nullptr;
        unsigned long length = 0;
    };
    auto state = std::make_unique<Encoding>();
    Encoding& e = *state;
    e.info.err = jpeg_std_error(&e.errors);
    e.errors.error_exit = [](j_common_ptr info) {
        std::longjmp(
            reinterpret_cast<Encoding*>(reinterpret_cast<char*>(info->err) - offsetof(Encoding, errors))->failed, 1);
    };
    e.errors.output_message = [](j_common_ptr) {};
    if (setjmp(e.failed) != 0) {
        jpeg_destroy_compress(&e.info);
        std::free(e.out);
        return {};
    }
    jpeg_create_compress(&e.info);
    jpeg_mem_dest(&e.info, &e.out, &e.length);
    const bool gray = picture.isGrayscale();
    e.info.image_width = JDIMENSION(picture.width());
    e.info.image_height = JDIMENSION(picture.height());
    e.info.input_components = picture.channels();
    e.info.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&e.info);
    jpeg_set_quality(&e.info, std::clamp(quality, 1, 100), TRUE);
    // Huffman tables made for the picture: what ImageMagick writes, a good deal smaller.
    e.info.optimize_coding = TRUE;
    if (!gray && quality >= 90) {
        for (int c = 0; c < e.info.num_components; ++c)
            e.info.comp_info[c].h_samp_factor = e.info.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&e.info, TRUE);
    while (e.info.next_scanline < e.info.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(picture.constScanLine(int(e.info.next_scanline)));
        jpeg_write_scanlines(&e.info, &row, 1);
    }
    jpeg_finish_compress(&e.info);
    QByteArray jpeg(reinterpret_cast<const char*>(e.out), qsizetype(e.length));
    jpeg_destroy_compress(&e.info);
    std::free(e.out);
    return jpeg;
}

QImage decodeImage(const QByteArray& jpeg)
{
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.constData());
    const Codec codec(tjInitDecompress());
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (!codec || jpeg.isEmpty() ||
        tjDecompressHeader3(codec.get(), data, static_cast<unsigned long>(jpeg.size()), &width, &height, &subsampling,
                            &colorspace) != 0 ||
        colorspace == TJCS_CMYK || colorspace == TJCS_YCCK)
        return {};
    const bool gray = colorspace == TJCS_GRAY;
    QImage image(width, height, gray ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
    if (image.isNull())
        return {};
    // RGB32 is 0xffRRGGBB in native byte order; TurboJPEG fills the X byte with 0xff.
    const int rgb32 = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB;
    if (tjDecompress2(codec.get(), data, static_cast<unsigned long>(jpeg.size()), image.bits(), width,
                      int(image.bytesPerLine()), height, gray ? TJPF_GRAY : rgb32, 0) != 0)
        return {};
    return image;
}

} // namespace jpegcodec
