#pragma once
// The file pickers of the main window as data: dialog kind, title, filter, default suffix,
// where they start and how the result is stored; and the conversion of a "description|patterns"
// filter into the form of Qt's file dialogs.
#include <QList>
#include <QString>

namespace sl {

// "desc|*.a;*.b|desc2|*.c" -> "desc (*.a *.b);;desc2 (*.c)". A description's own trailing
// "(...)" is replaced by the patterns; "*.*" becomes "*"; image patterns (jpg, jpeg, tif, tiff,
// png, bmp, gif) are offered in upper case too.
QString qtFileFilter(const QString &pipeFilter);

struct PickerSpec
{
    const char *dialog;        // object name of the dialog component
    const char *edit;          // the edit the result goes to ("" for the sound file: a key)
    bool save;                 // save dialog (asks before overwriting) or open dialog (file must exist)
    const char *title;         // translated when shown; nullptr: no title
    const char *filter;        // "desc|patterns" form, translated as a whole, then converted
    const char *defaultSuffix; // nullptr: none
    bool startsInBasePath;
    bool proposesEditText;     // the edit's text, when not empty, is the proposed name
    bool storesRelative;       // the result is made relative to the base path
};
// The nine pickers: odInputFile, odCubeFace, sdSaveMov, odSoundFile, sdThumbFile, sdHtmlFile,
// sdStripFile, sdFlashFile, odFlashPreloadImage. (sdHtmlFile's filter and suffix are built
// from the template, below.)
QList<PickerSpec> pickerSpecs();
const PickerSpec *pickerSpec(const QString &dialog);
QString pickerTitle(const PickerSpec &spec); // translated; empty without a title
QString pickerFilter(const PickerSpec &spec); // translated, in Qt's form

// The HTML page's save dialog, built from the chosen template's name.
struct HtmlSaveDialog
{
    QString pipeFilter;    // e.g. "*.php- files|*.php|HTML files (*.htm;*.html)|*.htm;*.html|All files(*.*)|*.*"
    QString filter;        // the same in Qt's form
    QString defaultSuffix; // the template's extension without its dot, at most 100 characters
};
HtmlSaveDialog htmlSaveDialog(const QString &templateText);

// The name the cube-face picker proposes: the base name followed by the first image's
// numbering ("11" or "_0"; "_0_0" in a sequence project) and extension; empty for an empty edit.
QString cubeFaceProposal(const QString &cubefaceText, int projectType, bool dosUp, bool tiff);

// The cube-face base name the input picker derives from the chosen input image (already made
// relative): the name without its extension followed by "_cube".
QString cubeBaseForInput(const QString &inputText);

} // namespace sl
