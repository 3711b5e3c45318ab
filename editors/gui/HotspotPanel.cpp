#include "editors/gui/HotspotPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>
#include <QToolTip>

#include "platform/gui/ControlState.h"
#include "project/EditedProject.h"
#include "editors/HotspotLink.h"
#include "editors/gui/HotspotView.h"
#include "editors/gui/HotspotWork.h"
#include "editors/gui/TfrmHotspotURL.h"
#include "platform/gui/Hooks.h"
#include "project/PathRules.h"
#include "project/ProjectType.h"
#include "ui_TfrmMainForm.h"

namespace sl::hotspot {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TfrmMainForm", text);
}

QString unableToOpen(const QString &reason)
{
    const QString text = tr("Unable to open the input image!");
    return reason.isEmpty() ? text : text + u'\n' + reason;
}

} // namespace

HotspotPanel::HotspotPanel(EditedProject &project, Ui::TfrmMainForm &ui, QWidget *window)
    : QObject(window)
    , m_project(project)
    , m_ui(ui)
{
    view()->setEditor(&m_editor);
    view()->setRubberBand(m_ui.spDraw);

    connect(m_ui.cbHotspotActiveTile, &QComboBox::activated, this, &HotspotPanel::cbHotspotActiveTileChange);
    connect(m_ui.cbCreateHotspots, &QCheckBox::toggled, this, &HotspotPanel::applyVisibility);
    connect(m_ui.cbCreateHotspots, &QCheckBox::clicked, this, &HotspotPanel::cbCreateHotspotsClick);
    connect(m_ui.cbHotspot, &QComboBox::activated, this, &HotspotPanel::cbHotspotChange);
    connect(m_ui.spSelectErase, &QToolButton::clicked, this, &HotspotPanel::spSelectEraseClick);
    for (QToolButton *b : {m_ui.spDrawInfo, m_ui.spDrawRect, m_ui.spDrawRRect, m_ui.spDrawCirc, m_ui.spDrawPoly})
        connect(b, &QToolButton::clicked, this, &HotspotPanel::spDrawCircClick);
    for (QToolButton *b : {m_ui.spRotate0, m_ui.spRotate90, m_ui.spRotate180, m_ui.spRotate270})
        connect(b, &QToolButton::clicked, this, &HotspotPanel::spRotate0Click);
    connect(m_ui.cbSize, &QComboBox::activated, this, &HotspotPanel::cbSizeChange);
    connect(m_ui.spUndo, &QToolButton::clicked, this, &HotspotPanel::btUndoClick);
    connect(m_ui.spSavePNG, &QToolButton::clicked, this, &HotspotPanel::spSavePNGClick);
    connect(m_ui.spClearHS, &QToolButton::clicked, this, &HotspotPanel::btClearHSClick);
    connect(view(), &HotspotView::hoverChanged, this, &HotspotPanel::hotspotHovered);
    connect(view(), &HotspotView::numberPicked, this, &HotspotPanel::hotspotPicked);
    connect(view(), &HotspotView::layerChanged, this, &HotspotPanel::layerChanged);

    m_editor.setZoomCode(0);
    view()->setNumber(qMax(0, m_ui.cbHotspot->currentIndex()));
    applyVisibility(m_ui.cbCreateHotspots->isChecked());
    ResetHotspotEditing();
}

HotspotView *HotspotPanel::view() const
{
    return m_ui.imgShow;
}

// ---------------------------------------------------------------------------------------------
// Tiles

TileSettings HotspotPanel::tileSettings() const
{
    return readTileSettings([this](const QString &key) { return m_project.GetValue(key); }, m_project.projectType(),
                            m_ui.cbUseDosUP->isChecked(), m_project.basePath(), m_project.faceNames());
}

void HotspotPanel::clearTileList()
{
    m_tiles.clear();
    QSignalBlocker block(m_ui.cbHotspotActiveTile);
    m_ui.cbHotspotActiveTile->clear();
}

void HotspotPanel::fillTileList()
{
    m_tiles = hotspotTiles(tileSettings());
    QSignalBlocker block(m_ui.cbHotspotActiveTile);
    m_ui.cbHotspotActiveTile->clear();
    for (const HotspotTile &tile : std::as_const(m_tiles))
        m_ui.cbHotspotActiveTile->addItem(tile.label);
}

void HotspotPanel::selectTile(int index)
{
    QSignalBlocker block(m_ui.cbHotspotActiveTile);
    m_ui.cbHotspotActiveTile->setCurrentIndex(index < m_ui.cbHotspotActiveTile->count() ? index : -1);
}

HotspotPanel::Load HotspotPanel::LoadHotspotTile(int index, QString *error)
{
    error->clear();
    const HotspotTile tile = m_tiles.value(index);
    const QString image = existingImage(tile);
    if (index < 0 || index >= m_tiles.size() || image.isEmpty())
        return Load::Missing;
    LoadedTile loaded = runWithoutStall([image, hotspots = tile.hotspotFile] { return loadTile(image, hotspots); });
    if (loaded.image.isNull()) {
        *error = loaded.error;
        return loaded.missing ? Load::Missing : Load::Failed;
    }
    const QString notice = loaded.notice;
    m_ui.spUndo->setEnabled(false);
    m_editor.commit(std::move(loaded), index);
    view()->endDrag();
    view()->updateViewSize();
    hotspotHovered(-1);
    if (!notice.isEmpty())
        ShowMsg(notice);
    return Load::Loaded;
}

bool HotspotPanel::CreateHotspotFiles(bool onlyMissing)
{
    QString error;
    const QSize fallback(m_editor.imageWidth(), m_editor.imageHeight());
    const bool ok = runWithoutStall([tiles = m_tiles, onlyMissing, fallback, &error] {
        return createHotspotFiles(tiles, onlyMissing, fallback, &error);
    });
    if (!ok)
        ShowMsg(error);
    return ok;
}

void HotspotPanel::switchHotspotsOff()
{
    m_ui.cbCreateHotspots->setChecked(false);
    m_project.ControlsToProject();
    m_ui.pc->setCurrentWidget(m_ui.tsOptions);
}

// ---------------------------------------------------------------------------------------------
// Starting, resetting, saving

void HotspotPanel::InitHotspotEditing()
{
    if (!m_ui.cbCreateHotspots->isChecked())
        return;
    // Reloading tile 0 would drop what was drawn since the last save.
    if (!AskSaveHotspots(MB_YESNO))
        return;

    fillTileList();
    const int type = m_project.projectType();
    if (type == PtEquirectangular || type == PtCylindrical || type == PtObjectStrip) {
        m_ui.spRotate0->setChecked(true);
        m_editor.setTurn(0);
        m_ui.pOrientation->hide();
    } else if (type == PtCubeFaces) {
        m_ui.pOrientation->show();
        m_ui.pOrientation->setEnabled(true);
    } else if (type == PtObjectSequence) {
        m_ui.pOrientation->setEnabled(false);
    }

    if (type == PtObjectSequence) {
        const QString first = resolveAgainstBase(m_project.GetValue(QStringLiteral("cubefile")), m_project.basePath())
            + QStringLiteral("_0_0");
        if (!QFileInfo::exists(first + QStringLiteral(".tif")) && !QFileInfo::exists(first + QStringLiteral(".jpg"))) {
            ShowMsg(tr("No tiles found! Please create them first!"));
            switchHotspotsOff();
            return;
        }
    }

    // The tile is read afresh; the old one need not stay in memory meanwhile.
    ResetHotspotEditing();
    QString error;
    if (LoadHotspotTile(0, &error) != Load::Loaded) {
        ShowMsg(unableToOpen(error));
        switchHotspotsOff();
        return;
    }

    const QString hotspots = m_tiles.first().hotspotFile;
    if (!QFileInfo::exists(hotspots)
        && MsgBox(WideFmt(tr("No hotspot imagefile  \"%s\" found! Should I create them for you?"), {hotspots}),
                  tr("Hotspot images"), MB_YESNO | MB_ICONQUESTION)
               == IDYES) {
        selectTile(0);
        CreateHotspotFiles(true);
    }
    if (m_ui.cbHotspotActiveTile->currentIndex() < 0)
        selectTile(0);

    // Fit a wide image into the box.
    if (view()->width() > m_ui.sbShow->width()) {
        m_ui.cbSize->setCurrentIndex(zoomIndexToFit(m_ui.sbShow->width(), m_editor.imageWidth()));
        cbSizeChange();
    }
}

void HotspotPanel::ResetHotspotEditing()
{
    m_editor.reset();
    m_ui.spUndo->setEnabled(false);
    view()->endDrag();
    view()->updateViewSize();
}

bool HotspotPanel::AskSaveHotspots(unsigned buttons)
{
    if (!m_editor.modified())
        return true;
    const int answer = MsgBox(tr("The current Hotspots have been modified! Save changes?"), tr("Save changes"),
                              buttons | MB_ICONQUESTION);
    return answer == IDNO || (answer == IDYES && SaveHotspotLayer());
}

bool HotspotPanel::SaveHotspotLayer()
{
    if (m_editor.activeTile() < 0)
        return true;
    QString error;
    const bool ok = runWithoutStall([this, &error] { return m_editor.writeLayer(&error); });
    if (!ok) {
        ShowMsg(error);
        return false;
    }
    m_editor.markSaved();
    return true;
}

void HotspotPanel::miCreatenewHotspotfilesClick()
{
    if (MsgBox(tr("This will clear all existing hotspots! Do you really want to do this?"), tr("Create Hotspot images"),
               MB_YESNO | MB_ICONQUESTION)
        != IDYES)
        return;
    fillTileList();
    // Tile 0 gives the size for images whose own size cannot be read.
    QString error;
    if (LoadHotspotTile(0, &error) != Load::Loaded) {
        ShowMsg(unableToOpen(error));
        return;
    }
    if (!CreateHotspotFiles(false))
        return;
    // Tile 0 again, with its new blank hotspot image.
    selectTile(0);
    ResetHotspotEditing();
    if (LoadHotspotTile(0, &error) != Load::Loaded)
        ShowMsg(unableToOpen(error));
}

// ---------------------------------------------------------------------------------------------
// The tab's controls

void HotspotPanel::cbHotspotActiveTileChange(int index)
{
    const int active = m_editor.activeTile();
    if (index < 0 || index == active)
        return;
    if (!AskSaveHotspots(MB_YESNOCANCEL)) {
        selectTile(active);
        return;
    }
    QString error;
    if (LoadHotspotTile(index, &error) != Load::Loaded) {
        selectTile(active);
        ShowMsg(unableToOpen(error.isEmpty() ? m_tiles.value(index).images.value(0) : error));
    }
}

void HotspotPanel::applyVisibility(bool enabled)
{
    for (QWidget *w : {static_cast<QWidget *>(m_ui.gHotspotEdit), static_cast<QWidget *>(m_ui.pHSViewSettings),
                       static_cast<QWidget *>(m_ui.gHSTools), static_cast<QWidget *>(m_ui.sbShow),
                       static_cast<QWidget *>(m_ui.lbHotspot)})
        w->setVisible(enabled);
}

void HotspotPanel::cbCreateHotspotsClick()
{
    if (m_ui.pc->currentWidget() == m_ui.tsHotSpotEdit && m_ui.cbCreateHotspots->hasFocus())
        InitHotspotEditing();
}

void HotspotPanel::cbHotspotChange()
{
    // What was typed belongs to the hotspot it was typed for.
    StoreHotspotProperties();
    const int n = m_ui.cbHotspot->currentIndex();
    view()->setNumber(qMax(0, n));
    for (QWidget *w : {static_cast<QWidget *>(m_ui.edHSName), static_cast<QWidget *>(m_ui.edHSUrl),
                       static_cast<QWidget *>(m_ui.spNextPanorama)})
        w->setEnabled(n >= 1);
    ShowHotspotProperties();
}

void HotspotPanel::spSelectEraseClick()
{
    m_ui.cbHotspot->setCurrentIndex(0);
    cbHotspotChange();
}

void HotspotPanel::spDrawCircClick()
{
    Tool tool = Tool::Info;
    if (m_ui.spDrawRect->isChecked())
        tool = Tool::Rectangle;
    else if (m_ui.spDrawRRect->isChecked())
        tool = Tool::RoundRectangle;
    else if (m_ui.spDrawCirc->isChecked())
        tool = Tool::Ellipse;
    else if (m_ui.spDrawPoly->isChecked())
        tool = Tool::Polygon;
    view()->setTool(tool);
}

void HotspotPanel::spRotate0Click()
{
    int turn = 0;
    if (m_ui.spRotate90->isChecked())
        turn = 90;
    else if (m_ui.spRotate180->isChecked())
        turn = 180;
    else if (m_ui.spRotate270->isChecked())
        turn = 270;
    // Vertices in view points would land elsewhere in the turned image.
    view()->dropPolygon();
    m_editor.setTurn(turn);
    view()->updateViewSize();
}

void HotspotPanel::cbSizeChange()
{
    view()->dropPolygon();
    m_editor.setZoomCode(zoomCodeForIndex(m_ui.cbSize->currentIndex()));
    view()->updateViewSize();
}

void HotspotPanel::btUndoClick()
{
    m_editor.undo();
    m_ui.spUndo->setEnabled(false);
    view()->update();
}

void HotspotPanel::spSavePNGClick()
{
    SaveHotspotLayer();
}

void HotspotPanel::btClearHSClick()
{
    if (MsgBox(tr("Do you really want to remove all Hotspots?"), tr("Clear Hotspots"), MB_YESNO | MB_ICONQUESTION)
        != IDYES)
        return;
    m_editor.clearLayer();
    layerChanged();
    view()->update();
}

void HotspotPanel::layerChanged()
{
    m_ui.spUndo->setEnabled(m_editor.undoAvailable());
}

void HotspotPanel::hotspotHovered(int number)
{
    QToolTip::hideText();
    if (number >= 1) {
        const QString name = tr("Hotspot") + QStringLiteral(" %1").arg(number);
        m_ui.lbHotspot->setText(name);
        const QString title = m_project.GetValue(hotspotTitleKey(number));
        view()->setToolTip((title.isEmpty() ? name : title) + u'\n' + m_project.GetValue(hotspotUrlKey(number)));
    } else {
        m_ui.lbHotspot->clear();
        view()->setToolTip(QString());
    }
}

void HotspotPanel::hotspotPicked(int number)
{
    if (number < 0)
        return;
    m_ui.cbHotspot->setCurrentIndex(number);
    cbHotspotChange();
}

void HotspotPanel::FormKeyPress(int key)
{
    if (key != Qt::Key_Escape || m_ui.pc->currentWidget() != m_ui.tsHotSpotEdit)
        return;
    view()->dropPolygon();
}

// ---------------------------------------------------------------------------------------------
// Titles and links

void HotspotPanel::StoreHotspotProperties()
{
    const int n = m_shownNumber;
    if (n >= 1 && n <= 255) {
        // A value longer than an edit holds is shown cut: it stays whole until the user changes it.
        const QString oldTitle = m_project.GetValue(hotspotTitleKey(n)), oldUrl = m_project.GetValue(hotspotUrlKey(n));
        const QString title = showsCutValue(m_ui.edHSName, oldTitle) ? oldTitle : m_ui.edHSName->text();
        const QString url = showsCutValue(m_ui.edHSUrl, oldUrl) ? oldUrl : m_ui.edHSUrl->text();
        if (oldTitle != title || oldUrl != url) {
            m_project.SetValue(hotspotTitleKey(n), title, QString());
            m_project.SetValue(hotspotUrlKey(n), url, QString());
        }
    }
    ShowHotspotProperties();
}

void HotspotPanel::ShowHotspotProperties()
{
    const int n = m_ui.cbHotspot->currentIndex();
    if (n < 0 || n > 255)
        return;
    m_shownNumber = n;
    setEditText(m_ui.edHSName, n >= 1 ? m_project.GetValue(hotspotTitleKey(n)) : QString());
    setEditText(m_ui.edHSUrl, n >= 1 ? m_project.GetValue(hotspotUrlKey(n)) : QString());
}

void HotspotPanel::spNextUrlClick()
{
    m_project.ControlsToProject();
    StoreHotspotProperties();
    const int n = m_ui.cbHotspot->currentIndex();
    if (n < 1)
        return;
    TfrmHotspotURL dialog(&m_project, qobject_cast<QWidget *>(parent()));
    dialog.LoadHotspot(n);
    dialog.exec();
}

} // namespace sl::hotspot
