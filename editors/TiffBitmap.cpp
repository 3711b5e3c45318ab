#include "editors/TiffBitmap.h"

#include "platform/image/ImageIOPrivate.h"

#include <QCoreApplication>
#include <QFile>

namespace sl {

QImage LoadTiffAsBitmap(const QString &fileName, QString *error)
{
    QFile file;
    if (!image::openRegularFile(fileName, file)) {
        if (error)
            *error = QCoreApplication::translate("sl::image", "Unable to open file '%1'").arg(fileName);
        return {};
    }
    return image::detail::tiffDecode(file, error);
}

} // namespace sl
