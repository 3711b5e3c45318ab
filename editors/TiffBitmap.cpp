#include "editors/TiffBitmap.h"

#include "platform/image/ImageIOPrivate.h"
#include "platform/io/RegularFile.h"

#include <QCoreApplication>
#include <QFile>

namespace sl {

QImage LoadTiffAsBitmap(const QString &fileName, QString *error)
{
    QFile file;
    if (!io::openRegularFile(fileName, file)) {
        if (error)
            *error = QCoreApplication::translate("sl::image", "Unable to open file '%1'").arg(fileName);
        return {};
    }
    // The editors show what a damaged file still holds; the engine's reader refuses such a file.
    return image::detail::tiffDecode(file, error, true);
}

} // namespace sl
