// The main window's derived state: the project type and its layout, the special keys of the
// transfer, the create and open commands, the tile-size rules, the quality track bars, the file
// pickers and the colour swatches.
#include "app/TfrmMainForm.h"
#include "platform/gui/ControlState.h"
#include "ui_TfrmMainForm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>

#include "platform/gui/Hooks.h"
#include "project/Colours.h"
#include "project/FilePickers.h"
#include "project/PathRules.h"
#include "project/ProjectType.h"
#include "project/Recognition.h"
#include "project/TransferKeys.h"
#include "project/TileSize.h"
#include "project/Values.h"
#include "project/WindowState.h"

using sl::ownEnabled;
using sl::setEditText;

namespace {

// Mouse presses and double-clicks on controls that have no such signal (swatches, the tile-size
// hint, edits that open their picker on a double-click).
class MouseHandlers : public QObject
{
public:
    using QObject::QObject;
    void onPress(QWidget *w, std::function<void()> f)
    {
        m_press.insert(w, std::move(f));
        w->installEventFilter(this);
    }
    void onDoubleClick(QWidget *w, std::function<void()> f)
    {
        m_double.insert(w, std::move(f));
        w->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *w = qobject_cast<QWidget *>(watched);
        if (!w || !w->isEnabled())
            return false;
        const auto &handlers = event->type() == QEvent::MouseButtonPress       ? m_press
                               : event->type() == QEvent::MouseButtonDblClick ? m_double
                                                                               : m_none;
        const auto it = handlers.constFind(w);
        if (it == handlers.constEnd())
            return false;
        const auto handler = it.value();
        handler();
        return true;
    }

private:
    QHash<QWidget *, std::function<void()>> m_press, m_double, m_none;
};

// The nine radio buttons of a 3 x 3 grid, by item (item = column x 3 + row).
QList<QRadioButton *> gridButtons(const QWidget *form, const QString &group)
{
    QList<QRadioButton *> buttons;
    for (int i = 0; i < 9; ++i)
        buttons << form->findChild<QRadioButton *>(group + QStringLiteral("_%1").arg(i));
    return buttons;
}

int checkedItem(const QList<QRadioButton *> &buttons)
{
    for (int i = 0; i < buttons.size(); ++i)
        if (buttons.at(i) && buttons.at(i)->isChecked())
            return i;
    return -1;
}

// Checks exactly one of `buttons`, or none for an index outside them. Exclusive radio buttons
// cannot be unchecked while they are exclusive, so that is lifted for a moment.
void checkOnly(const QList<QRadioButton *> &buttons, int index)
{
    if (index >= 0 && index < buttons.size()) {
        if (buttons.at(index) && !buttons.at(index)->isChecked())
            buttons.at(index)->setChecked(true);
        return;
    }
    for (QRadioButton *b : buttons) {
        if (!b || !b->isChecked())
            continue;
        const bool exclusive = b->autoExclusive();
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setAutoExclusive(exclusive);
    }
}

void setCurrentItem(QComboBox *c, int index)
{
    if (c->currentIndex() != index)
        c->setCurrentIndex(index);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Handlers

void TfrmMainForm::connectStateHandlers()
{
    // Project type.
    for (const QString &name : sl::projectTypeRadioNames()) {
        auto *rb = findChild<QRadioButton *>(name);
        connect(rb, &QRadioButton::clicked, this, [this, rb] { rgCylinderClick(rb); });
    }
    for (QAbstractButton *b : {static_cast<QAbstractButton *>(ui->cbUseDosUP),
                               static_cast<QAbstractButton *>(ui->rgTileTIFF),
                               static_cast<QAbstractButton *>(ui->rgTileJpeg)})
        connect(b, &QAbstractButton::clicked, this, [this] { cbUseDosUPClick(); });
    connect(ui->btOpenInputfile, &QPushButton::clicked, this, &TfrmMainForm::btOpenInputfileClick);
    connect(ui->btOpenCubeFile, &QPushButton::clicked, this, &TfrmMainForm::btOpenCubeFileClick);
    connect(ui->btOutputFile, &QPushButton::clicked, this, &TfrmMainForm::btOutputFileClick);

    // Window state.
    connect(ui->btResetPanTiltFov, &QPushButton::clicked, this, &TfrmMainForm::btResetPanTiltFovClick);
    connect(ui->btOpenSoundFile, &QPushButton::clicked, this, &TfrmMainForm::btOpenSoundFileClick);
    for (QRadioButton *rb : {ui->rgAutoplayNone, ui->rgAutoPlay, ui->rgAutoplayLoop})
        connect(rb, &QRadioButton::clicked, this, [this, rb] { rgAutoPlayClick(rb); });
    for (QRadioButton *rb : {ui->rgAutoRotateNone, ui->rgAutoRotate5sek, ui->rgAutoRotate1Min})
        connect(rb, &QRadioButton::clicked, this, [this, rb] { rgAutoRotateClick(rb); });
    // The preloader anchor is stored when the user picks it.
    for (QRadioButton *rb : gridButtons(this, QStringLiteral("rgFlashPreAnchor")))
        if (rb)
            connect(rb, &QRadioButton::clicked, this, [this] { edExit(); });

    // Tile size and qualities. The tile-size edits check the size when left.
    for (QWidget *w : {static_cast<QWidget *>(ui->edMovieTiles), static_cast<QWidget *>(ui->edHorizontalTiles),
                       static_cast<QWidget *>(ui->edTileSize), static_cast<QWidget *>(ui->edVerticalTiles),
                       static_cast<QWidget *>(ui->edCylTiles)})
        setExitHandler(w, [this] { edTileSizeExit(); });
    connect(ui->cbMultiTiles, &QComboBox::activated, this, [this] { cbMultiTilesChange(); });
    connect(ui->btQualTiles, &QPushButton::clicked, this, &TfrmMainForm::btQualTilesClick);
    for (const sl::QualityPair &p : sl::qualityPairs()) {
        auto *slider = findChild<QSlider *>(QLatin1String(p.slider));
        auto *edit = findChild<QLineEdit *>(QLatin1String(p.edit));
        slider->setRange(p.minimum, p.maximum);
        const int minimum = p.minimum, maximum = p.maximum;
        // The edit moves its track bar on every change, typed or set; nothing is stored here.
        connect(edit, &QLineEdit::textChanged, this, [this, slider, minimum, maximum](const QString &text) {
            if (m_mirroring)
                return;
            m_mirroring = true;
            slider->setValue(sl::sliderPositionForText(text, minimum, maximum));
            m_mirroring = false;
        });
        connect(slider, &QSlider::valueChanged, this, [this, slider, edit] { sliderMoved(slider, edit); });
    }

    // Check boxes whose click writes a key of their own: the generic "store on click" would
    // show the project again first and undo the user's click before it is read.
    for (QCheckBox *cb : {ui->cbTilesizeAuto, ui->cbThumbnailbgTransparent, ui->cbFlashPreloadTilesColorNoise})
        disconnect(cb, &QCheckBox::clicked, this, nullptr);
    connect(ui->cbTilesizeAuto, &QCheckBox::clicked, this, &TfrmMainForm::cbTilesizeAutoClick);
    connect(ui->cbThumbnailbgTransparent, &QCheckBox::clicked, this, &TfrmMainForm::cbThumbnailbgTransparentClick);
    connect(ui->cbFlashPreloadTilesColorNoise, &QCheckBox::clicked, this,
            &TfrmMainForm::cbFlashPreloadTilesColorNoiseClick);

    // Output pickers.
    connect(ui->btThumbFileDlg, &QPushButton::clicked, this, &TfrmMainForm::btThumbFileDlgClick);
    connect(ui->btHtmlSaveDlg, &QPushButton::clicked, this, &TfrmMainForm::btHtmlSaveDlgClick);
    connect(ui->btSaveStrip, &QPushButton::clicked, this, &TfrmMainForm::btSaveStripClick);
    connect(ui->btSelectFlashFile, &QPushButton::clicked, this, &TfrmMainForm::btSelectFlashFileClick);
    connect(ui->btPreLoadImage, &QPushButton::clicked, this, &TfrmMainForm::btPreLoadImageClick);

    auto *mouse = new MouseHandlers(this);
    mouse->onPress(ui->lbTilesizeHint, [this] { lbTilesizeHintClick(); });
    mouse->onPress(ui->sThumbBgColor, [this] { sThumbBgColorMouseDown(); });
    for (QWidget *swatch : {static_cast<QWidget *>(ui->spFlashPreloadBarFG),
                            static_cast<QWidget *>(ui->spFlashPreloadBarBG),
                            static_cast<QWidget *>(ui->spFlashPreloadTextColor),
                            static_cast<QWidget *>(ui->spFlashPreloadTilesColor)})
        mouse->onPress(swatch, [this, swatch] { spFlashPreloadColorMouseDown(swatch); });
    mouse->onDoubleClick(ui->edOutputfile, [this] { btOutputFileClick(); });
    mouse->onDoubleClick(ui->edThumbnailFile, [this] { btThumbFileDlgClick(); });
    mouse->onDoubleClick(ui->edHtmlFile, [this] { btHtmlSaveDlgClick(); });
    mouse->onDoubleClick(ui->edFlashFile, [this] { btSelectFlashFileClick(); });
    mouse->onDoubleClick(ui->edQuality, [this] { btQualTilesClick(); });
}

// ---------------------------------------------------------------------------------------------
// Project type

void TfrmMainForm::SetProjectType(int type)
{
    if (type == ProjectType || !sl::isValidProjectType(type))
        return;
    ProjectType = type;
    applyProjectTypeLayout(type);
    cbUseDosUPClick();
    UpdateButtons();
}

namespace {
void setCaption(QWidget *w, const QString &text)
{
    if (auto *label = qobject_cast<QLabel *>(w))
        label->setText(text);
    else if (auto *button = qobject_cast<QAbstractButton *>(w))
        button->setText(text);
    else if (auto *box = qobject_cast<QGroupBox *>(w))
        box->setTitle(text);
}
} // namespace

void TfrmMainForm::applyProjectTypeLayout(int type)
{
    for (const sl::ControlSetting &s : sl::projectTypeLayout(type)) {
        auto *w = findChild<QWidget *>(s.objectName);
        if (!w)
            continue;
        if (s.text) {
            setCaption(w, *s.text);
            m_captionTypes.insert(s.objectName, type);
        }
        if (s.enabled) {
            if (s.childrenOnly)
                sl::SetChildControlsEnabled(w, *s.enabled);
            else
                w->setEnabled(*s.enabled);
        }
        if (s.visible)
            w->setHidden(!*s.visible);
    }
}

// A control keeps the caption of the last type that set one, which may be an earlier type
// than the current one.
void TfrmMainForm::reapplyProjectTypeCaptions()
{
    for (auto it = m_captionTypes.cbegin(); it != m_captionTypes.cend(); ++it) {
        for (const sl::ControlSetting &s : sl::projectTypeLayout(it.value())) {
            if (s.objectName == it.key() && s.text)
                setCaption(findChild<QWidget *>(s.objectName), *s.text);
        }
    }
}

void TfrmMainForm::rgCylinderClick(QWidget *sender)
{
    QList<QRadioButton *> radios;
    for (const QString &name : sl::projectTypeRadioNames())
        radios << findChild<QRadioButton *>(name);
    checkOnly(radios, int(radios.indexOf(qobject_cast<QRadioButton *>(sender))));
    SetProjectType(sl::projectTypeFromRadioName(sender ? sender->objectName() : QString()));
    ControlsToProject();
    ProjectToControls();
}

void TfrmMainForm::cbUseDosUPClick()
{
    const sl::PatternLabels l = sl::patternLabels(ProjectType, ui->cbUseDosUP->isChecked(),
                                                  ui->rgTileTIFF->isChecked(), GetValue(QStringLiteral("cubefile")),
                                                  ui->edInputFile->text());
    ui->lbCFCubeExt->setText(l.cubeExt);
    ui->lbCFCubeFaces->setText(l.cubeFaces);
    ui->lbCFHotspots->setText(l.hotspots);
}

QString TfrmMainForm::RecognizeImagePattern(const QString &fileName, bool quiet, bool *dosUp, bool *isTiff,
                                            int *rows, int *columns)
{
    const sl::RecognitionResult r = sl::RecognizeImagePattern(fileName, ProjectType, quiet);
    if (!r.ok()) {
        if (!quiet && !r.message.isEmpty())
            sl::ShowMsg(r.message);
        return QString();
    }
    if (dosUp)
        *dosUp = r.dosUp;
    if (isTiff)
        *isTiff = r.isTiff;
    if (ProjectType == sl::PtObjectSequence) {
        if (rows)
            *rows = r.rows;
        if (columns)
            *columns = r.columns;
    }
    return r.baseName;
}

// Runs the file dialog of a picker; the chosen path, or empty when cancelled.
QString TfrmMainForm::runPicker(const char *dialog, const QString &proposedName)
{
    const sl::PickerSpec *spec = sl::pickerSpec(QLatin1String(dialog));
    if (!spec)
        return QString();
    const QString folder = spec->startsInBasePath ? basePath() : QString();
    const QString suffix = spec->defaultSuffix ? QString::fromLatin1(spec->defaultSuffix) : QString();
    if (spec->save)
        return sl::hooks::saveFileName(sl::pickerTitle(*spec), folder, proposedName, sl::pickerFilter(*spec), suffix,
                                       sl::OFN_OVERWRITEPROMPT);
    return sl::hooks::openFileName(sl::pickerTitle(*spec), folder, proposedName, sl::pickerFilter(*spec), suffix,
                                   sl::OFN_FILEMUSTEXIST | sl::OFN_PATHMUSTEXIST);
}

void TfrmMainForm::btOpenInputfileClick()
{
    const QString chosen = runPicker("odInputFile", ui->edInputFile->text());
    if (chosen.isEmpty())
        return;
    setEditText(ui->edInputFile, sl::relativeToBase(chosen, basePath()));
    setEditText(ui->edCubeface, sl::cubeBaseForInput(ui->edInputFile->text()));
    ControlsToProject();
    ProjectToControls();
    UpdateButtons();
}

void TfrmMainForm::btOpenCubeFileClick()
{
    const QString proposal = sl::cubeFaceProposal(ui->edCubeface->text(), ProjectType, ui->cbUseDosUP->isChecked(),
                                                  ui->rgTileTIFF->isChecked());
    const QString chosen = runPicker("odCubeFace", proposal);
    if (chosen.isEmpty())
        return;
    bool dosUp = false, tiff = false;
    int rows = 0, columns = 0;
    const QString base = RecognizeImagePattern(chosen, false, &dosUp, &tiff, &rows, &columns);
    if (base.isEmpty())
        return;
    ui->cbUseDosUP->setChecked(dosUp);
    (tiff ? ui->rgTileTIFF : ui->rgTileJpeg)->setChecked(true);
    if (ProjectType == sl::PtObjectSequence) {
        setEditText(ui->edVerticalTiles, QString::number(rows));
        setEditText(ui->edHorizontalTiles, QString::number(columns));
    }
    setEditText(ui->edCubeface, sl::relativeToBase(base, basePath()));
    ControlsToProject();
    ProjectToControls();
    UpdateButtons();
}

void TfrmMainForm::btOutputFileClick()
{
    const QString proposal =
        ui->edOutputfile->text().isEmpty() ? basePath() + QStringLiteral("/*.mov") : ui->edOutputfile->text();
    const QString chosen = runPicker("sdSaveMov", proposal);
    if (chosen.isEmpty())
        return;
    setEditText(ui->edOutputfile, sl::relativeToBase(chosen, basePath()));
    ControlsToProject();
    ProjectToControls();
    UpdateButtons();
}

// ---------------------------------------------------------------------------------------------
// Window state

void TfrmMainForm::SetProjectCaption(const QString &fileName)
{
    const sl::CaptionTexts c = sl::projectCaption(fileName);
    // Qt reads "[*]" in a title as its modified marker and shows "[*][*]" as "[*]": a file name
    // shows as it is.
    setWindowTitle(QString(c.windowTitle).replace(QLatin1String("[*]"), QLatin1String("[*][*]")));
    // Without a project the start page keeps saying that none is open.
    if (ui->lbProjectFile && !fileName.isEmpty())
        ui->lbProjectFile->setText(c.projectFile);
    if (m_statusPanels[0])
        m_statusPanels[0]->setText(c.projectFile);
}

void TfrmMainForm::UpdateButtons()
{
    sl::ButtonInputs in;
    in.projectType = ProjectType;
    in.outputFormat = ui->cbOutputFormat->currentIndex();
    in.inputFile = ui->edInputFile->text();
    in.cubeface = ui->edCubeface->text();
    in.outputFile = ui->edOutputfile->text();
    in.flashFile = ui->edFlashFile->text();
    for (const auto &[name, enabled] : sl::updateButtons(in).byName()) {
        if (auto *w = findChild<QWidget *>(name))
            w->setEnabled(enabled);
        else if (auto *a = findChild<QAction *>(name))
            a->setEnabled(enabled);
    }
}

void TfrmMainForm::cbOutputFormatChange(int index)
{
    if (const auto flash = sl::flashFileForFormatChange(index, ui->edFlashFile->text(), ui->edOutputfile->text()))
        setEditText(ui->edFlashFile, *flash);
    UpdateButtons();
    ControlsToProject();
    UpdateButtons();
}

void TfrmMainForm::btResetPanTiltFovClick()
{
    for (const QString &key : sl::viewLimitResetKeys())
        ResetValue(key);
    ProjectToControls();
}

void TfrmMainForm::btOpenSoundFileClick()
{
    const sl::PickerSpec *spec = sl::pickerSpec(QStringLiteral("odSoundFile"));
    const QString chosen = sl::hooks::openFileName(sl::pickerTitle(*spec), QString(), QString(),
                                                   sl::pickerFilter(*spec), QString(),
                                                   sl::OFN_FILEMUSTEXIST | sl::OFN_PATHMUSTEXIST);
    if (chosen.isEmpty())
        return;
    SetValue(sl::backgroundSoundKey(), chosen, QString());
    ProjectToControls();
}

void TfrmMainForm::rgAutoPlayClick(QWidget *sender)
{
    const auto choice = sl::autoPlayForRadio(sender ? sender->objectName() : QString());
    SetValue(sl::autoPlaySpriteKey(), sl::autoPlaySpriteFile(programDir(), choice), QString());
    ProjectToControls();
}

void TfrmMainForm::rgAutoRotateClick(QWidget *sender)
{
    const auto choice = sl::autoRotateForRadio(sender ? sender->objectName() : QString());
    SetValue(sl::autoRotateSpriteKey(), sl::autoRotateSpriteFile(programDir(), choice), QString());
    ProjectToControls();
}

// ---------------------------------------------------------------------------------------------
// Special keys of the transfer

void TfrmMainForm::MigrateOldKeys()
{
    // The old animation key is rewritten after the row loop (SpecialKeysToControls).
    sl::migrateBackgroundSound(ProjectList);
}

void TfrmMainForm::SpecialKeysToControls()
{
    const sl::ProjectAccess access = projectAccess();

    sl::SpecialControls c;
    c.interpolatorCount = ui->cbInterpolator->count();
    c.thumbTypeCount = ui->cbThumbType->count();
    c.thumbnailGroupEnabled = ownEnabled(ui->gbThumbnail);
    c.fovDefaultText = ui->edFoVDefault->text();
    c.movieHeightText = ui->edMovHeight->text();
    sl::projectToSpecialControls(access, c);

    (c.tileTiff ? ui->rgTileTIFF : ui->rgTileJpeg)->setChecked(true);
    setCurrentItem(ui->cbInterpolator, c.interpolatorItem);
    setCurrentItem(ui->cbMotQual, c.motionQualityItem);
    setCurrentItem(ui->cbStatQual, c.staticQualityItem);
    setCurrentItem(ui->cbMultiTiles, c.multiTilesItem);
    setCurrentItem(ui->cbThumbType, c.thumbTypeItem);
    if (c.thumbBackgroundVisible) {
        for (QWidget *w : {static_cast<QWidget *>(ui->sThumbBgColor),
                           static_cast<QWidget *>(ui->cbThumbnailbgTransparent),
                           static_cast<QWidget *>(ui->lbThumbBgColor)})
            w->setHidden(!*c.thumbBackgroundVisible);
    }

    setSwatchColour(ui->sThumbBgColor, c.thumbBackground);
    ui->cbThumbnailbgTransparent->setChecked(c.thumbBackgroundTransparent);
    setSwatchColour(ui->spFlashPreloadBarFG, c.preloadBar);
    setSwatchColour(ui->spFlashPreloadBarBG, c.preloadBarBackground);
    setSwatchColour(ui->spFlashPreloadTextColor, c.preloadText);
    setSwatchColour(ui->spFlashPreloadTilesColor, c.preloadTiles);
    ui->cbFlashPreloadTilesColorNoise->setChecked(c.preloadTilesNoise);

    checkOnly(gridButtons(this, QStringLiteral("rgFlashControllerPos")), c.controllerPosItem);
    checkOnly(gridButtons(this, QStringLiteral("rgFlashPreAnchor")), c.preloadAnchorItem);

    findChild<QRadioButton *>(sl::autoPlayRadio(c.autoPlay))->setChecked(true);
    findChild<QRadioButton *>(sl::autoRotateRadio(c.autoRotate))->setChecked(true);
    checkOnly({ui->rgObjAnimOff, ui->rgObjAnimRot, ui->rgObjAnimPingPong}, c.objectAutoplay);

    QFont bold = ui->btQualTiles->font();
    bold.setBold(c.qualTilesBold);
    ui->btQualTiles->setFont(bold);

    // The type first, then its radio button and the pattern labels.
    SetProjectType(c.projectType);
    if (auto *rb = findChild<QRadioButton *>(sl::projectTypeRadioName(c.projectType)))
        rb->setChecked(true);
    cbUseDosUPClick();

    // The width and height of the thumbnail follow the thumbnail type only while the project
    // type leaves the thumbnail's controls enabled.
    const bool thumbnailControls = sl::layoutEnabled(ProjectType, QStringLiteral("gbThumbnail")).value_or(true);
    ui->edThumbWidth->setEnabled(thumbnailControls && c.thumbWidthEnabled);
    ui->edThumbHeight->setEnabled(thumbnailControls && c.thumbHeightEnabled);

    {
        // Showing a value never writes it back: a quality of 150 stays 150 although the track
        // bar stops at 100.
        const QSignalBlocker blockQuality(ui->tbQuality);
        const QSignalBlocker blockThumb(ui->tbThumbQuality);
        ui->tbQuality->setValue(c.qualityPosition);
        ui->tbThumbQuality->setValue(c.thumbQualityPosition);
    }
    if (c.tileSizeAuto)
        ui->cbTilesizeAuto->setChecked(*c.tileSizeAuto);
    OptimalTileSize = c.optimalTileSize;
    if (OptimalTileSize > 0)
        ui->lbTilesizeHint->setText(c.tileSizeHint);
    ui->lbTilesizeHint->setHidden(!c.tileSizeHintVisible);

    for (int i = 0; i < 10 && i < SpriteEditButtons.size() && i < SpriteDeleteButtons.size(); ++i) {
        SpriteEditButtons.at(i)->setText(c.spriteRows.at(i).editCaption);
        SpriteDeleteButtons.at(i)->setEnabled(c.spriteRows.at(i).deleteEnabled);
    }

    SetProjectCaption(sl::projectCaptionArgument(ProjectFileName, !ProjectFileName.isEmpty() && isModified()));
    // The commands follow the project as it is now shown (an output format typed on the raw-text
    // tab that names no format leaves nothing to create).
    UpdateButtons();
}

void TfrmMainForm::ControlsToSpecialKeys()
{
    const sl::ProjectAccess access = projectAccess();

    sl::SpecialControls c;
    c.projectType = ProjectType;
    c.tileTiff = ui->rgTileTIFF->isChecked();
    c.interpolatorItem = ui->cbInterpolator->currentIndex();
    c.motionQualityItem = ui->cbMotQual->currentIndex();
    c.staticQualityItem = ui->cbStatQual->currentIndex();
    c.multiTilesItem = ui->cbMultiTiles->currentIndex();
    c.thumbTypeItem = ui->cbThumbType->currentIndex();
    c.controllerPosItem = checkedItem(gridButtons(this, QStringLiteral("rgFlashControllerPos")));
    c.preloadAnchorItem = checkedItem(gridButtons(this, QStringLiteral("rgFlashPreAnchor")));
    c.objectAutoplay = -1;
    if (ui->rgObjAnimOff->isChecked())
        c.objectAutoplay = 0;
    if (ui->rgObjAnimRot->isChecked())
        c.objectAutoplay = 1;
    if (ui->rgObjAnimPingPong->isChecked())
        c.objectAutoplay = 2;
    sl::specialControlsToProject(access, c);
    ui->edObjectAutoplaySpeed->setEnabled(c.objectSpeedEnabled);
    ui->lbObjectAutoplaySpeed->setEnabled(c.objectSpeedEnabled);
}

// ---------------------------------------------------------------------------------------------
// Tile size and qualities

void TfrmMainForm::lbTilesizeHintClick()
{
    const QString key = sl::tileSizeKey(ProjectType);
    if (key.isEmpty() || OptimalTileSize <= 0)
        return;
    SetValue(key, QString::number(OptimalTileSize), QString());
    ProjectToControls();
}

void TfrmMainForm::CheckTileSize()
{
    if (FillingControls)
        return;
    ControlsToProject();
    ProjectToControls();
    const QString key = sl::tileSizeKey(ProjectType);
    if (key.isEmpty())
        return;
    const auto corrected =
        sl::tileSizeCorrection(ProjectType, GetValue(key, QStringLiteral("0")), ui->cbMultiTiles->currentIndex(),
                               GetValue(QStringLiteral("movie.multitiles"), QStringLiteral("1")));
    if (!corrected)
        return;
    const sl::Question q = sl::tileSizeQuestion(*corrected);
    if (sl::MsgBox(q.text, q.caption, sl::MB_YESNO | sl::MB_ICONQUESTION) != sl::IDYES)
        return;
    SetValue(key, QString::number(*corrected), QString());
    ProjectToControls();
}

void TfrmMainForm::edTileSizeExit()
{
    CheckTileSize();
    ProjectToControls();
}

void TfrmMainForm::cbMultiTilesChange()
{
    CheckTileSize();
}

void TfrmMainForm::cbTilesizeAutoClick(bool checked)
{
    if (checked)
        for (const QString &key : sl::autoTileSizeKeys(ProjectType))
            SetValue(key, QStringLiteral("0"), QString());
    ProjectToControls();
}

// A track bar moved by the user writes its position into its edit and stores the controls;
// not while the project is being shown, nor while the user types in the edit.
void TfrmMainForm::sliderMoved(QWidget *sliderWidget, QWidget *editWidget)
{
    auto *slider = qobject_cast<QSlider *>(sliderWidget);
    auto *edit = qobject_cast<QLineEdit *>(editWidget);
    if (!slider || !edit || m_mirroring || !sl::sliderMoveUpdatesEdit(FillingControls, edit->hasFocus()))
        return;
    m_mirroring = true;
    setEditText(edit, QString::number(slider->value()));
    m_mirroring = false;
    ControlsToProject();
    ProjectToControls();
}

// ---------------------------------------------------------------------------------------------
// Output pickers

void TfrmMainForm::btThumbFileDlgClick()
{
    const QString chosen = runPicker("sdThumbFile", ui->edThumbnailFile->text());
    if (!chosen.isEmpty())
        setEditText(ui->edThumbnailFile, sl::relativeToBase(chosen, basePath()));
}

void TfrmMainForm::btHtmlSaveDlgClick()
{
    const sl::HtmlSaveDialog d = sl::htmlSaveDialog(ui->cbHtmlTemplate->currentText());
    const QString chosen =
        sl::hooks::saveFileName(QString(), QString(), QString(), d.filter, d.defaultSuffix, sl::OFN_OVERWRITEPROMPT);
    if (!chosen.isEmpty())
        setEditText(ui->edHtmlFile, chosen);
}

void TfrmMainForm::btSaveStripClick()
{
    const QString chosen = runPicker("sdStripFile", ui->edStripFile->text());
    if (!chosen.isEmpty())
        setEditText(ui->edStripFile, sl::relativeToBase(chosen, basePath()));
}

void TfrmMainForm::btSelectFlashFileClick()
{
    const QString chosen = runPicker("sdFlashFile", ui->edFlashFile->text());
    if (!chosen.isEmpty())
        setEditText(ui->edFlashFile, sl::relativeToBase(chosen, basePath()));
}

void TfrmMainForm::btPreLoadImageClick()
{
    const QString chosen = runPicker("odFlashPreloadImage", ui->edFlashPreloadImage->text());
    if (!chosen.isEmpty())
        setEditText(ui->edFlashPreloadImage, sl::relativeToBase(chosen, basePath()));
    ControlsToProject();
}

// ---------------------------------------------------------------------------------------------
// Colours

void TfrmMainForm::setSwatchColour(QWidget *swatch, const QColor &colour)
{
    QPalette pal = swatch->palette();
    if (pal.color(QPalette::Window) == colour && swatch->autoFillBackground())
        return;
    pal.setColor(QPalette::Window, colour);
    swatch->setPalette(pal);
    swatch->setAutoFillBackground(true);
}

void TfrmMainForm::sThumbBgColorMouseDown()
{
    const auto chosen = sl::hooks::chooseColour(ui->sThumbBgColor->palette().color(QPalette::Window));
    if (!chosen)
        return;
    const QString key = QStringLiteral("thumbnail.bgcolor");
    const QString def = sl::colourKeyDefault(key);
    const uint32_t value = sl::thumbBackgroundAfterPick(sl::colourValue(GetValue(key, def)), *chosen);
    SetValue(key, sl::colourText(value), def);
    setSwatchColour(ui->sThumbBgColor, sl::swatchColour(value));
}

void TfrmMainForm::cbThumbnailbgTransparentClick(bool checked)
{
    if (FillingControls)
        return;
    const QString key = QStringLiteral("thumbnail.bgcolor");
    const QString def = sl::colourKeyDefault(key);
    const uint32_t value = sl::thumbBackgroundAfterTransparentClick(sl::colourValue(GetValue(key, def)), checked);
    SetValue(key, sl::colourText(value), def);
}

void TfrmMainForm::spFlashPreloadColorMouseDown(QWidget *swatch)
{
    const QString key = sl::colourKeyOfSwatch(swatch ? swatch->objectName() : QString());
    if (key.isEmpty())
        return;
    const auto chosen = sl::hooks::chooseColour(swatch->palette().color(QPalette::Window));
    if (!chosen)
        return;
    const uint32_t value = sl::valueFromColour(*chosen);
    SetValue(key, sl::colourText(value), sl::colourKeyDefault(key));
    setSwatchColour(swatch, sl::swatchColour(value));
    ProjectToControls();
}

void TfrmMainForm::cbFlashPreloadTilesColorNoiseClick(bool checked)
{
    if (FillingControls)
        return;
    const QString key = QStringLiteral("flash.preload.tiles.color");
    SetValue(key, sl::tilesNoiseText(checked), sl::colourKeyDefault(key));
    ProjectToControls();
}
