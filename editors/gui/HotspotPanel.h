#pragma once
// The hotspot editor on the main window's "Hotspots" tab: it keeps the tile list, the tools,
// zoom, turn, the hotspot list and its title and link edits in step with the editor's model and
// the project. The main window forwards its hotspot handlers here.
#include <QList>
#include <QObject>

#include "editors/HotspotEditor.h"
#include "editors/HotspotTiles.h"

class QWidget;
namespace Ui {
class TfrmMainForm;
}
namespace sl {
class EditedProject;
}

namespace sl::hotspot {

class HotspotView;

class HotspotPanel : public QObject
{
    Q_OBJECT

public:
    // Works on the controls `ui` of `window` (its parent), which shows `project`.
    HotspotPanel(EditedProject &project, Ui::TfrmMainForm &ui, QWidget *window);

    HotspotEditor &editor() { return m_editor; }
    const QList<HotspotTile> &tiles() const { return m_tiles; }

    // Starts editing for the open project when hotspots are enabled: fills the tile list, loads
    // tile 0 and offers to create the hotspot images that are missing. Unsaved changes of the
    // loaded tile are offered for saving first.
    void InitHotspotEditing();
    // Forgets the loaded tile.
    void ResetHotspotEditing();
    // Another project: its tiles are listed again when the tab is next entered.
    void clearTileList();
    // Writes the layer into the loaded tile's hotspot image; false (after a notice) when it
    // cannot be written, and the layer stays modified.
    bool SaveHotspotLayer();
    bool HotspotsModified() const { return m_editor.modified(); }
    // When the layer has unsaved changes, asks whether to save them (`buttons`: MB_YESNO or
    // MB_YESNOCANCEL). True to go on (saved, answered No, or nothing to save); false after
    // Cancel or a failed save.
    bool AskSaveHotspots(unsigned buttons);
    // The title and link edits into the project, for the hotspot whose fields they show.
    void StoreHotspotProperties();
    // The selected hotspot's title and link into the edits.
    void ShowHotspotProperties();
    // "Create new Hotspot files": after a warning, blank hotspot images for every tile.
    void miCreatenewHotspotfilesClick();
    // The link dialog for the selected hotspot.
    void spNextUrlClick();
    // Escape on the "Hotspots" tab drops an unfinished polygon.
    void FormKeyPress(int key);

    // Handlers of the tab's controls.
    void cbHotspotActiveTileChange(int index);
    void cbCreateHotspotsClick();
    void cbHotspotChange();
    void spSelectEraseClick();
    void spDrawCircClick();
    void spRotate0Click();
    void cbSizeChange();
    void btUndoClick();
    void spSavePNGClick();
    void btClearHSClick();

private:
    enum class Load { Loaded, Missing, Failed };
    HotspotView *view() const;
    TileSettings tileSettings() const;
    void fillTileList();
    void selectTile(int index);
    // Reads tile `index` of the list and takes it over only when it could be read; otherwise
    // the loaded tile stays, and `error` says why (empty when the image file is missing).
    Load LoadHotspotTile(int index, QString *error);
    bool CreateHotspotFiles(bool onlyMissing);
    void switchHotspotsOff();
    void applyVisibility(bool enabled);
    void hotspotHovered(int number);
    void hotspotPicked(int number);
    void layerChanged();

    EditedProject &m_project; // the project, and the window that shows it
    Ui::TfrmMainForm &m_ui;
    HotspotEditor m_editor;
    QList<HotspotTile> m_tiles;
    int m_shownNumber = -1; // the hotspot whose title and link the edits show
};

} // namespace sl::hotspot
