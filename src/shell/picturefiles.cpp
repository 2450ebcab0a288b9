#include "shell/picturefiles.h"

#include <QFileInfo>

bool isSlidePictureName(const QString& path)
{
    static const char* const endings[] = {".jpg", ".jpeg", ".tiff", ".tif", ".bmp", ".gif", ".png"};
    for (const char* ending : endings) {
        if (path.endsWith(QLatin1String(ending), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QStringList droppedPictureFiles(const QList<QUrl>& urls)
{
    QStringList files;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        const QFileInfo info(path);
        // A link may point anywhere, even at a folder: the file manager's shortcut is not a picture.
        if (info.isSymLink() || !info.exists() || !info.isFile())
            continue;
        if (!isSlidePictureName(path))
            continue;
        files.append(path);
    }
    return files;
}

QString folderOfFile(const QString& path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash);
}

QString slidePictureFilter()
{
    // Exactly the endings isSlidePictureName takes. Upper-case patterns too: file dialogs
    // here match names case-sensitively.
    return QStringLiteral("Image Files (.bmp;.gif;.jpg;.jpeg;.tif;.tiff;.png) "
                          "(*.bmp *.gif *.jpg *.jpeg *.tif *.tiff *.png *.BMP *.GIF *.JPG *.JPEG *.TIF *.TIFF *.PNG)");
}
