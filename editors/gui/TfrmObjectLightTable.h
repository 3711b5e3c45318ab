#pragma once
// The object-movie light table: arranges the image files of a light-table project in a grid of
// thumbnails per viewstate, with the spare images below, and writes the image keys and object
// settings back into the project on "Ok". The work on the entries is the LightTable model's; the
// window loads files, shows them and turns clicks and drops into the model's operations.
#include "editors/LightTable.h"
#include "editors/ThumbnailLoader.h"

#include <QDialog>
#include <QStringList>

#include <deque>
#include <vector>

class QAction;
class QActionGroup;
class QLineEdit;
class QMenu;
class QTimer;

namespace Ui {
class TfrmObjectLightTable;
}
namespace sl {
class EditedProject;
class ThumbnailArea;
}

class TfrmObjectLightTable : public QDialog
{
    Q_OBJECT

public:
    // Reads the object settings and image lines of the project; the thumbnails of its images
    // are made from the first tick of the window's timer on.
    explicit TfrmObjectLightTable(sl::EditedProject *project, QWidget *parent = nullptr);
    ~TfrmObjectLightTable() override;

    Ui::TfrmObjectLightTable *ui;
    const sl::LightTable &lightTable() const { return Table; }
    // Files queued or being decoded.
    bool isLoading() const { return !m_pending.empty(); }
    // The thumbnails of the project's images have all been made, or their making was stopped.
    bool firstPassDone() const { return m_firstPassDone; }
    QString selectedCellKey() const { return SelectedCellKey; }
    QMenu *popupMenu() const { return pmLightTable; }

    // Handlers of the buttons, the popup and the edits.
    void sbOpenClick();
    void spTrashClick();
    void btAddVSClick();
    void btDelVSClick();
    void btOkClick();
    void btCancelClick();
    void miUndoClick();
    void miOpenImageClick();
    void pmLightTablePopup();
    void edExit();
    void cbViewStateChange();

protected:
    // Closing asks first unless "Ok" or "Cancel" during a load said otherwise.
    void reject() override;
    void keyPressEvent(QKeyEvent *event) override;
    // Files dropped from the file manager.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class LoadKind { Project, OpenDialog, ShellDrop };
    // One file (or "?" cell) waiting to be put on the table, in the order the loads asked.
    struct PendingLoad
    {
        LoadKind kind = LoadKind::Project;
        QString name;    // as given
        QString stored;  // relative to the base path when inside it
        QString path;    // where the file is read
        QString ext;     // its extension, lower case
        bool exists = false;     // a readable extension, and the file was there when asked
        sl::ImagePos pos;
        bool toCell = false;     // else to the spare area only
        bool endsBatch = false;
        quint64 ticket = 0;      // the decode; 0 for none
    };

    void FormCreate();
    void Timer1Timer();
    void BuildTable();
    void RefreshCells();
    void RequestSpareUpdate() { SpareRefreshPending = true; }
    void UpdateSpareArea();
    void readProjectImages();
    void queueProjectImages();
    void queueFiles(const QStringList &files, sl::CellPos cell, LoadKind kind);
    PendingLoad makeLoad(LoadKind kind, const QString &name, const sl::ImagePos &pos, bool toCell) const;
    void queueFile(PendingLoad item);
    void endBatch();
    void applyReadyLoads();
    void LoadImageIntoCell(const PendingLoad &item, const sl::Thumbnail &thumbnail);
    void finishBatch(LoadKind kind);
    void abortLoads();
    void askMovieSize(const QSize &imageSize);
    void openCellFile(const sl::CellPos &cell);
    QString viewstateText(int viewstate) const;
    void refillStateLists();
    void setAnimationEnabled();
    void setCountText(QLineEdit *edit, int value);
    sl::ObjectSettings settingsFromControls() const;

    // Drags between cells and spare images: a press starts one, the release drops it on what
    // lies under the cursor.
    void areaPressed(sl::ThumbnailArea *area, int item, Qt::MouseButton button);
    void areaMoved(const QPoint &globalPos);
    void areaReleased(const QPoint &globalPos);
    sl::DragItem dragItemAt(const QPoint &globalPos) const;
    void showDropTarget(const sl::DragItem &target);

    sl::EditedProject *m_project; // the project, and the window that shows it
    sl::LightTable Table;
    sl::ThumbnailLoader Loader;
    QTimer *Timer1;
    QMenu *pmLightTable;
    QAction *miOpenImage;
    QAction *miUndo;
    QActionGroup *miWrap;
    QString SelectedCellKey;
    bool AskOnClose = true;
    bool ReloadPending = true;
    bool SpareRefreshPending = false;

    std::vector<PendingLoad> m_projectLoads; // the project's files, until the first tick asks for them
    std::deque<PendingLoad> m_pending;
    QStringList m_unreadable; // of the batch being applied
    bool m_applying = false;
    bool m_firstPassDone = false;
    sl::DragItem m_drag;
    bool m_dragMoved = false;
};
