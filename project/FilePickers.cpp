#include "project/FilePickers.h"

#include "project/PathRules.h"
#include "project/ProjectType.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

namespace sl {

namespace {

const char *const Context = "TfrmMainForm";

bool isImagePattern(const QString &pattern)
{
    static const QStringList exts = {QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("tif"),
                                     QStringLiteral("tiff"), QStringLiteral("png"), QStringLiteral("bmp"),
                                     QStringLiteral("gif")};
    if (!pattern.startsWith(QLatin1String("*.")))
        return false;
    return exts.contains(pattern.mid(2), Qt::CaseInsensitive);
}

// Characters that would break the filter text.
bool safeExtension(const QString &ext)
{
    static const QRegularExpression unsafe(QStringLiteral("[|;()*?\\[\\] ]"));
    return !ext.isEmpty() && !ext.contains(unsafe);
}

} // namespace

QString qtFileFilter(const QString &pipeFilter)
{
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    static const QRegularExpression trailingGroup(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts.at(i);
        desc.remove(trailingGroup);
        desc = desc.trimmed();
        QStringList patterns;
        for (QString p : parts.at(i + 1).split(QRegularExpression(QStringLiteral("[;,]")))) {
            p = p.trimmed();
            if (p.isEmpty())
                continue;
            if (p == QLatin1String("*.*"))
                p = QStringLiteral("*");
            if (!patterns.contains(p))
                patterns << p;
        }
        if (patterns.isEmpty())
            continue;
        QStringList upper;
        for (const QString &p : patterns)
            if (isImagePattern(p) && p != p.toUpper() && !patterns.contains(p.toUpper()))
                upper << p.toUpper();
        patterns << upper;
        entries << (desc.isEmpty() ? QString() : desc + QLatin1Char(' ')) + QLatin1Char('(')
                       + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

QList<PickerSpec> pickerSpecs()
{
    static const char *const imageFilter =
        QT_TRANSLATE_NOOP("TfrmMainForm", "Imagefile (*.tif,*.jpg,*.bmp,*.png)|*.bmp;*.png;*.tif;*.jpg");
    static const char *const thumbTitle = QT_TRANSLATE_NOOP("TfrmMainForm", "Save Thumbnail as");
    return {
        {"odInputFile", "edInputFile", false, QT_TRANSLATE_NOOP("TfrmMainForm", "Open equirectangular input image"),
         imageFilter, nullptr, true, true, true},
        {"odCubeFace", "edCubeface", false, QT_TRANSLATE_NOOP("TfrmMainForm", "Select only one cube face"),
         QT_TRANSLATE_NOOP("TfrmMainForm", "Cube face (*.jpg;*.tif)|*.jpg;*.tif"), nullptr, true, false, true},
        {"sdSaveMov", "edOutputfile", true, nullptr,
         QT_TRANSLATE_NOOP("TfrmMainForm", "QuickTime movie (*.mov)|*.mov"), "mov", true, true, true},
        {"odSoundFile", "", false, QT_TRANSLATE_NOOP("TfrmMainForm", "Import background Soundfile"),
         QT_TRANSLATE_NOOP("TfrmMainForm",
                           "QuickTime Soundfiles (*.mp3;*.wav;*.mov;*.wma;*.aac;*.swa;*.mid;*.3gp;*.3g2)|*.mp3;*.wav;*.mov;*.wma;*.aac;*.swa;*.mid;*.3gp;*.3g2"),
         nullptr, false, false, false},
        {"sdThumbFile", "edThumbnailFile", true, thumbTitle,
         QT_TRANSLATE_NOOP("TfrmMainForm",
                           "Thumbnail file (*.jpg,*.gif,*.png,*.tif,*.bmp)|*.jpg;*.gif;*.png;*.tif;*.bmp"),
         "jpg", true, true, true},
        {"sdHtmlFile", "edHtmlFile", true, nullptr, nullptr, nullptr, false, false, false},
        {"sdStripFile", "edStripFile", true, thumbTitle,
         QT_TRANSLATE_NOOP("TfrmMainForm", "Strip file (*.jpg;*.tif)|*.jpg;*.tif"), "jpg", true, true, true},
        {"sdFlashFile", "edFlashFile", true, QT_TRANSLATE_NOOP("TfrmMainForm", "Save Flash as"),
         QT_TRANSLATE_NOOP("TfrmMainForm", "Macromedia Flash file (*.swf)|*.swf"), "swf", true, true, true},
        {"odFlashPreloadImage", "edFlashPreloadImage", false,
         QT_TRANSLATE_NOOP("TfrmMainForm", "Open Preloader Image"), imageFilter, nullptr, true, true, true},
    };
}

const PickerSpec *pickerSpec(const QString &dialog)
{
    static const QList<PickerSpec> specs = pickerSpecs();
    for (const PickerSpec &s : specs)
        if (dialog == QLatin1String(s.dialog))
            return &s;
    return nullptr;
}

QString pickerTitle(const PickerSpec &spec)
{
    return spec.title ? QCoreApplication::translate(Context, spec.title) : QString();
}

QString pickerFilter(const PickerSpec &spec)
{
    return spec.filter ? qtFileFilter(QCoreApplication::translate(Context, spec.filter)) : QString();
}

HtmlSaveDialog htmlSaveDialog(const QString &templateText)
{
    HtmlSaveDialog d;
    QString ext = extractFileExt(templateText);
    if (ext.startsWith(QLatin1Char('.')))
        ext.remove(0, 1);
    ext.truncate(100);
    d.defaultSuffix = ext;
    QString filter = QCoreApplication::translate(Context, "HTML files (*.htm;*.html)|*.htm;*.html|");
    const QString lower = ext.toLower();
    // A template without a usable extension adds no entry of its own.
    if (lower != QLatin1String("html") && lower != QLatin1String("htm") && safeExtension(ext))
        filter = QStringLiteral("*.") + ext + QStringLiteral("- ") + QCoreApplication::translate(Context, "files")
                 + QLatin1Char('|') + QStringLiteral("*.") + ext + QLatin1Char('|') + filter;
    filter += QCoreApplication::translate(Context, "All files") + QStringLiteral("(*.*)|*.*");
    d.pipeFilter = filter;
    d.filter = qtFileFilter(filter);
    return d;
}

QString cubeFaceProposal(const QString &cubefaceText, int projectType, bool dosUp, bool tiff)
{
    if (cubefaceText.isEmpty())
        return QString();
    QString numbering;
    if (projectType == PtObjectSequence)
        numbering = QStringLiteral("_0_0");
    else
        numbering = dosUp ? QStringLiteral("11") : QStringLiteral("_0");
    return cubefaceText + numbering + (tiff ? QStringLiteral(".tif") : QStringLiteral(".jpg"));
}

QString cubeBaseForInput(const QString &inputText)
{
    return changeFileExt(inputText, QString()) + QStringLiteral("_cube");
}

} // namespace sl
