#include "project/Recognition.h"

#include "project/PathRules.h"
#include "project/ProjectDocument.h"
#include "project/ProjectType.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <climits>

namespace sl {

namespace {

const char *const Context = "TfrmMainForm";

RecognitionResult fail(RecognitionResult r, RecognitionResult::Outcome outcome, bool quiet)
{
    r.outcome = outcome;
    r.baseName.clear();
    if (!quiet) {
        switch (outcome) {
        case RecognitionResult::WrongExtension:
            r.message = wrongExtensionNotice();
            break;
        case RecognitionResult::NoPattern:
            r.message = noPatternNotice();
            break;
        case RecognitionResult::NotFirstImage:
            r.message = notFirstImageNotice();
            break;
        case RecognitionResult::TilesMissing:
            r.message = tilesMissingNotice();
            break;
        case RecognitionResult::Recognised:
            break;
        }
    }
    return r;
}

bool isDigitIn(QChar c, char lo, char hi)
{
    return c.unicode() >= ushort(lo) && c.unicode() <= ushort(hi);
}

RecognitionResult cubeFaces(RecognitionResult r, const QString &name, bool quiet, const FileProbe &exists)
{
    if (name.size() < 2)
        return fail(r, RecognitionResult::NoPattern, quiet);
    const QChar a = name.at(name.size() - 2);
    const QChar b = name.at(name.size() - 1);
    if (a == b && isDigitIn(a, '1', '6'))
        r.dosUp = true;
    else if (a == QLatin1Char('_') && isDigitIn(b, '0', '5'))
        r.dosUp = false;
    else
        return fail(r, RecognitionResult::NoPattern, quiet);
    const QString base = name.left(name.size() - 2);
    const QString ext = r.isTiff ? QStringLiteral(".tif") : QStringLiteral(".jpg");
    bool complete = true;
    for (int i = 0; i < 6; ++i) {
        const QString numbering = r.dosUp ? QString::number((i + 1) * 11) : QStringLiteral("_%1").arg(i);
        if (!exists(base + numbering + ext))
            complete = false; // keep probing the remaining faces
    }
    if (!complete)
        return fail(r, RecognitionResult::TilesMissing, quiet);
    r.outcome = RecognitionResult::Recognised;
    r.baseName = base;
    return r;
}

RecognitionResult sequence(RecognitionResult r, const QString &name, bool quiet, const FileProbe &exists)
{
    if (name.size() < 4 || !name.endsWith(QLatin1String("_0_0")))
        return fail(r, RecognitionResult::NotFirstImage, quiet);
    r.dosUp = false;
    const QString base = name.left(name.size() - 4);
    const QString ext = r.isTiff ? QStringLiteral(".tif") : QStringLiteral(".jpg");
    const auto file = [&](int row, int column) {
        return base + QLatin1Char('_') + QString::number(row) + QLatin1Char('_') + QString::number(column) + ext;
    };
    int columns = 1;
    while (columns < INT_MAX && exists(file(0, columns)))
        ++columns;
    int rows = 1;
    while (rows < INT_MAX && exists(file(rows, columns - 1)))
        ++rows;
    r.rows = rows;
    r.columns = columns;
    bool complete = true;
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < columns; ++j)
            if (!exists(file(i, j)))
                complete = false; // every file is probed
    if (!complete)
        return fail(r, RecognitionResult::TilesMissing, quiet);
    r.outcome = RecognitionResult::Recognised;
    r.baseName = base;
    return r;
}

} // namespace

bool fileExistsProbe(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

QString wrongExtensionNotice()
{
    return QCoreApplication::translate(Context, "Only the extensions .jpg or .tif are supported.");
}

QString noPatternNotice()
{
    return QCoreApplication::translate(Context, "Unable to recognize a filename pattern!");
}

QString notFirstImageNotice()
{
    return QCoreApplication::translate(Context,
                                       "Unable to recognize a filename pattern! Please select only the first image!");
}

QString tilesMissingNotice()
{
    return QCoreApplication::translate(Context, "Some tiles are missing!");
}

RecognitionResult RecognizeImagePattern(const QString &fileName, int projectType, bool quiet,
                                        const FileProbe &exists)
{
    RecognitionResult r;
    const QString ext = extractFileExt(fileName).toLower();
    if (ext != QLatin1String(".tif") && ext != QLatin1String(".jpg"))
        return fail(r, RecognitionResult::WrongExtension, quiet);
    r.isTiff = ext == QLatin1String(".tif");
    const QString name = fileName.left(fileName.size() - ext.size());
    const FileProbe &probe = exists ? exists : FileProbe(fileExistsProbe);
    if (projectType == PtObjectSequence)
        return sequence(r, name, quiet, probe);
    return cubeFaces(r, name, quiet, probe);
}

std::optional<CubeFaceSet> recognizeCubeFacesQuiet(const QString &folder, const QString &fileName)
{
    const QString path = folder.isEmpty() ? fileName
                         : folder.endsWith(QLatin1Char('/')) ? folder + fileName
                                                             : folder + QLatin1Char('/') + fileName;
    const RecognitionResult r = RecognizeImagePattern(path, PtCubeFaces, true);
    if (!r.ok())
        return std::nullopt;
    CubeFaceSet set;
    set.baseName = extractFileName(r.baseName);
    set.dosup = r.dosUp;
    set.tiff = r.isTiff;
    return set;
}

} // namespace sl
