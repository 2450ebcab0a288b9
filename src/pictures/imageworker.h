#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <memory>

struct DecodedPicture;
enum class ResampleFilter;

//! One picture processing run: decodes a picture file once, then writes the slide JPEG and
//! the thumbnail JPEG from the same in-memory picture. Used by one thread at a time; separate
//! workers may run on separate threads at once.
class ImageWorker
{
public:
    static constexpr int slidePictureSize = 640; //!< longest side of the slide JPEG
    static constexpr int slideJpegQuality = 75;
    static constexpr int thumbnailSize = 75; //!< side of the thumbnail JPEG and bitmap
    static constexpr int thumbnailJpegQuality = 90;

    ImageWorker();
    //! Releases the picture.
    ~ImageWorker();
    ImageWorker(const ImageWorker&) = delete;
    ImageWorker& operator=(const ImageWorker&) = delete;

    //! Decodes sourcePath with the decoder its extension names (none: nothing is decoded and
    //! the loaded flag stays false); the next write goes to outputPath. A large JPEG is
    //! decoded at a reduced DCT scale, keeping its longest side at least minimumSide
    //! (0: always full scale); the size rules still use the picture's full size.
    void open(const QString& sourcePath, const QString& outputPath, int minimumSide = slidePictureSize);

    //! Fits the picture into largestSide × largestSide (never enlarging), turns it by
    //! quarterTurns (positive clockwise, reduced modulo 4) and writes it as a quality 75 JPEG.
    //! False when nothing usable was decoded or the file could not be written.
    bool makeSlidePicture(int largestSide, int quarterTurns);

    //! Writes the centred square of the current picture, side × side (or smaller when the
    //! picture fits), as a quality 90 JPEG. False when nothing usable was decoded or the
    //! file could not be written.
    bool makeThumbnail(int side);

    //! A null path leaves the output path unchanged.
    void setOutputPath(const QString& path);
    QString outputPath() const;
    //! The bytes of the JPEG the last make… call wrote; empty when it wrote nothing.
    QByteArray writtenJpeg() const;

    //! True once a decoder ran for the source, whether or not it produced a picture.
    bool isLoaded() const;
    //! True when the source decoded into a picture with a non-empty size.
    bool isValid() const;
    //! Current size of the in-memory picture; empty when there is none. Right after open,
    //! the size the source was decoded at.
    QSize size() const;

    //! Decoder for the path's extension ("JPEG", "TIFF", "BMP", "GIF", "PNG"), compared
    //! without regard to case; empty when the extension has none.
    static QString decoderFor(const QString& path);

private:
    bool isUsable() const;
    void resample(const QSize& target, ResampleFilter filter);
    bool save(const QByteArray& jpeg);

    QString m_outputPath;
    bool m_loaded = false;
    std::unique_ptr<DecodedPicture> m_picture;
    QByteArray m_written;
};
