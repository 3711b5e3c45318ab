#include "editors/gui/TfrmObjectLightTable.h"

#include "platform/gui/ControlState.h"
#include "editors/gui/LightTableViews.h"
#include "platform/gui/Hooks.h"
#include "project/EditedProject.h"
#include "project/FilePickers.h"
#include "project/PathRules.h"
#include "project/Values.h"
#include "ui_TfrmObjectLightTable.h"

#include <QActionGroup>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QUrl>

#include <algorithm>

using sl::CellPos;
using sl::DragItem;
using sl::ImagePos;

namespace {

// How long one turn of applying loaded files may hold the event loop.
constexpr int kApplyBudgetMs = 20;
// Unreadable files named in the one notice of a load; the rest are counted.
constexpr int kUnreadableListed = 12;

QStringList localFiles(const QMimeData *data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    return files;
}

} // namespace

TfrmObjectLightTable::TfrmObjectLightTable(sl::EditedProject *project, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::TfrmObjectLightTable)
    , m_project(project)
{
    ui->setupUi(this);
    FormCreate();
}

TfrmObjectLightTable::~TfrmObjectLightTable()
{
    abortLoads();
    ui->sbLT->setTable(nullptr); // the model goes before the widgets
    delete ui;
}

// ---------------------------------------------------------------------------------------------
// Creation

void TfrmObjectLightTable::FormCreate()
{
    ui->sbOpen->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    ui->spTrash->setIcon(QIcon::fromTheme(QStringLiteral("edit-clear"), style()->standardIcon(QStyle::SP_TrashIcon)));
    ui->cbCompressHotspot->addItems({tr("animation, horizontal, vertical"), tr("horizontal, vertical"),
                                     tr("vertical"), tr("only one")});

    // The popup of the table: open, undo and the wrap mode.
    pmLightTable = new QMenu(this);
    pmLightTable->setObjectName(QStringLiteral("pmLightTable"));
    miOpenImage = pmLightTable->addAction(tr("Open Image"));
    miOpenImage->setObjectName(QStringLiteral("miOpenImage"));
    miUndo = pmLightTable->addAction(tr("Undo"));
    miUndo->setObjectName(QStringLiteral("miUndo"));
    miUndo->setEnabled(false);
    QMenu *wrapMenu = pmLightTable->addMenu(tr("wrap over"));
    wrapMenu->setObjectName(QStringLiteral("miWrapOver"));
    miWrap = new QActionGroup(this);
    const struct { const char *name, *text; } wraps[] = {
        {"miWrapNone", QT_TR_NOOP("none")},
        {"miWrapAnimation", QT_TR_NOOP("animation")},
        {"miWrapHorizontal", QT_TR_NOOP("horizontal")},
        {"miWrapAll", QT_TR_NOOP("all")}};
    for (int tag = 0; tag < 4; ++tag) {
        QAction *a = wrapMenu->addAction(tr(wraps[tag].text));
        a->setObjectName(QString::fromLatin1(wraps[tag].name));
        a->setCheckable(true);
        a->setData(tag);
        miWrap->addAction(a);
        connect(a, &QAction::triggered, this, [this, tag] { Table.setWrapMode(tag); });
    }
    connect(pmLightTable, &QMenu::aboutToShow, this, &TfrmObjectLightTable::pmLightTablePopup);
    connect(miOpenImage, &QAction::triggered, this, &TfrmObjectLightTable::miOpenImageClick);
    connect(miUndo, &QAction::triggered, this, &TfrmObjectLightTable::miUndoClick);

    // The object settings of the project.
    const sl::ObjectSettings s = sl::ObjectSettings::read(
        [this](const QString &key, const QString &def) { return m_project->GetValue(key, def); });
    Table.setCounts(s.frames, s.columns, s.rows);
    Table.setViewstateCount(s.viewstates);
    ui->edACnt->setText(QString::number(Table.frameCount()));
    ui->edXCnt->setText(QString::number(s.columnsAsRead));
    ui->edYCnt->setText(QString::number(s.rowsAsRead));
    for (int v = 0; v < Table.viewstateCount(); ++v)
        ui->cbViewState->addItem(viewstateText(v));
    ui->cbCompressHotspot->setCurrentIndex(s.limitHotspots);
    ui->cbViewState->setCurrentIndex(0);
    refillStateLists();
    ui->cbVSNormal->setCurrentIndex(s.stateNormal);
    ui->cbVSMouseDown->setCurrentIndex(s.stateMouseDown);
    if (s.animate == 0)
        ui->rgObjAnimOff->setChecked(true);
    else if (s.animate == 1)
        ui->rgObjAnimPlay->setChecked(true);
    else if (s.animate == 2)
        ui->rgObjAnimPingPong->setChecked(true);
    ui->cbAnimDontLoop->setChecked(s.noLoop);
    ui->cbAnimRestartEach->setChecked(s.restartEach);
    ui->edObjectAnimSpeed->setText(s.frameRate);
    setAnimationEnabled();
    // A longer language widens the window rather than cut the captions and lists of its settings.
    const QMargins margins = layout()->contentsMargins();
    setMinimumWidth(std::max({minimumWidth(), ui->pTopLayout->sizeHint().width() + margins.left() + margins.right(),
                              ui->pSettingsLayout->sizeHint().width() + margins.left() + margins.right()}));

    // Handlers.
    connect(ui->sbOpen, &QToolButton::clicked, this, &TfrmObjectLightTable::sbOpenClick);
    connect(ui->spTrash, &QToolButton::clicked, this, &TfrmObjectLightTable::spTrashClick);
    connect(ui->btAddVS, &QPushButton::clicked, this, &TfrmObjectLightTable::btAddVSClick);
    connect(ui->btDelVS, &QPushButton::clicked, this, &TfrmObjectLightTable::btDelVSClick);
    connect(ui->btOk, &QPushButton::clicked, this, &TfrmObjectLightTable::btOkClick);
    connect(ui->btCancel, &QPushButton::clicked, this, &TfrmObjectLightTable::btCancelClick);
    for (QComboBox *c : {ui->cbViewState, ui->cbVSNormal, ui->cbVSMouseDown})
        connect(c, &QComboBox::activated, this, &TfrmObjectLightTable::cbViewStateChange);
    for (QLineEdit *e : {ui->edACnt, ui->edXCnt, ui->edYCnt, ui->edObjectAnimSpeed}) {
        e->installEventFilter(this);
        e->setAcceptDrops(false);
    }
    for (QRadioButton *r : {ui->rgObjAnimOff, ui->rgObjAnimPlay, ui->rgObjAnimPingPong})
        connect(r, &QRadioButton::clicked, this, &TfrmObjectLightTable::edExit);

    ui->sbLT->setTable(&Table);
    for (sl::ThumbnailArea *area : {static_cast<sl::ThumbnailArea *>(ui->sbLT), static_cast<sl::ThumbnailArea *>(ui->sbSpare)}) {
        connect(area, &sl::ThumbnailArea::pressed, this,
                [this, area](int item, Qt::MouseButton button) { areaPressed(area, item, button); });
        connect(area, &sl::ThumbnailArea::moved, this, &TfrmObjectLightTable::areaMoved);
        connect(area, &sl::ThumbnailArea::released, this, &TfrmObjectLightTable::areaReleased);
    }
    connect(ui->sbLT, &sl::ThumbnailArea::doubleClicked, this,
            [this](int item) { openCellFile(ui->sbLT->cellOf(item)); });
    connect(ui->sbLT, &sl::ThumbnailArea::contextMenuRequested, this,
            [this](const QPoint &pos) { pmLightTable->popup(pos); });
    connect(&Loader, &sl::ThumbnailLoader::ready, this, &TfrmObjectLightTable::applyReadyLoads);

    readProjectImages();
    // "Ok" waits for the project's thumbnails; files from the file manager are taken after them.
    ui->btOk->setEnabled(false);
    setAcceptDrops(false);
    ReloadPending = true;
    AskOnClose = true;
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TfrmObjectLightTable::Timer1Timer);
    Timer1->start();
}

QString TfrmObjectLightTable::viewstateText(int viewstate) const
{
    return tr("Viewstate") + QLatin1Char(' ') + QString::number(viewstate + 1);
}

void TfrmObjectLightTable::setAnimationEnabled()
{
    const bool animated = Table.frameCount() > 1;
    for (QWidget *w : std::initializer_list<QWidget *>{ui->rgObjAnimOff, ui->rgObjAnimPlay, ui->rgObjAnimPingPong,
                                                      ui->cbAnimDontLoop, ui->cbAnimRestartEach,
                                                      ui->edObjectAnimSpeed, ui->lbObjectAnimSpeed})
        w->setEnabled(animated);
}

// ---------------------------------------------------------------------------------------------
// Timer, grid and spare area

void TfrmObjectLightTable::Timer1Timer()
{
    if (ReloadPending) {
        ReloadPending = false;
        BuildTable();
        queueProjectImages();
    }
    if (SpareRefreshPending) {
        SpareRefreshPending = false;
        UpdateSpareArea();
    }
}

void TfrmObjectLightTable::BuildTable()
{
    ui->sbLT->contentChanged();
    ui->sbLT->scrollToOrigin();
}

void TfrmObjectLightTable::RefreshCells()
{
    ui->sbLT->viewport()->update();
}

void TfrmObjectLightTable::UpdateSpareArea()
{
    QList<sl::LightTableSpareArea::Image> images;
    for (int i : Table.spareLines())
        images.append({Table.thumbnailName(i), Table.thumbnailImage(i)});
    ui->sbSpare->setImages(images);
}

// ---------------------------------------------------------------------------------------------
// Loading. A file takes its cell when it is asked for; its thumbnail is made on a worker thread
// and added in the order asked, a few at a time, so the window answers all the while.

// Every image line of the project is on the table from the start, so that whatever the user does
// while the pictures load acts on all of them; only the thumbnails come later. A later line of a
// key wins; a "?" line is an empty cell and loads nothing.
void TfrmObjectLightTable::readProjectImages()
{
    const sl::ProjectList &project = m_project->projectList();
    for (int i = 0; i < project.count(); ++i) {
        const QString &line = project.line(i);
        int frame, column, row, viewstate;
        if (!sl::ParseImageKey(sl::ProjectList::lineName(line).trimmed(), frame, column, row, viewstate))
            continue;
        const QString value = sl::ProjectList::lineValue(line);
        const ImagePos pos{viewstate, row, column, frame};
        if (value == sl::LightTable::kEmptyCell) {
            Table.setEntry(pos, value);
        } else if (!value.isEmpty()) {
            // The entry stays whatever becomes of its file, so that "Ok" writes the line back.
            m_projectLoads.push_back(makeLoad(LoadKind::Project, value, pos, true));
            Table.setEntry(pos, m_projectLoads.back().stored);
        }
    }
}

void TfrmObjectLightTable::queueProjectImages()
{
    std::vector<PendingLoad> loads;
    loads.swap(m_projectLoads);
    for (const PendingLoad &item : loads)
        queueFile(item);
    if (loads.empty())
        finishBatch(LoadKind::Project);
    else
        endBatch();
}

// Files take their cells when asked for, so that edits made before their pictures arrive move
// them with the rest.
void TfrmObjectLightTable::queueFiles(const QStringList &files, CellPos cell, LoadKind kind)
{
    for (const QString &file : files) {
        const PendingLoad item = makeLoad(kind, file, Table.posOf(cell), cell.isCell());
        if (item.toCell && item.exists)
            Table.setEntry(item.pos, item.stored);
        queueFile(item);
        cell = Table.nextCell(cell);
    }
    if (files.isEmpty()) {
        finishBatch(kind);
    } else {
        endBatch();
        RefreshCells();
        RequestSpareUpdate();
    }
}

TfrmObjectLightTable::PendingLoad TfrmObjectLightTable::makeLoad(LoadKind kind, const QString &name,
                                                                 const ImagePos &pos, bool toCell) const
{
    PendingLoad item;
    item.kind = kind;
    item.name = name;
    item.pos = pos;
    item.toCell = toCell;
    const QString base = m_project->basePath();
    item.stored = sl::relativeToBase(name, base);
    item.path = sl::resolveAgainstBase(item.stored, base);
    item.exists = sl::isThumbnailImageName(name, &item.ext) && QFileInfo::exists(item.path);
    return item;
}

void TfrmObjectLightTable::queueFile(PendingLoad item)
{
    if (item.exists)
        item.ticket = Loader.request(item.path);
    m_pending.push_back(item);
    setCursor(Qt::BusyCursor);
}

void TfrmObjectLightTable::endBatch()
{
    m_pending.back().endsBatch = true;
    QTimer::singleShot(0, this, &TfrmObjectLightTable::applyReadyLoads);
}

void TfrmObjectLightTable::applyReadyLoads()
{
    if (m_applying)
        return;
    m_applying = true;
    QElapsedTimer clock;
    clock.start();
    bool changed = false;
    while (!m_pending.empty()) {
        if (m_pending.front().ticket && !Loader.isReady(m_pending.front().ticket))
            break;
        if (clock.elapsed() >= kApplyBudgetMs) {
            QTimer::singleShot(0, this, &TfrmObjectLightTable::applyReadyLoads);
            break;
        }
        const PendingLoad item = m_pending.front();
        m_pending.pop_front();
        const sl::Thumbnail thumbnail = item.ticket ? Loader.take(item.ticket) : sl::Thumbnail();
        LoadImageIntoCell(item, thumbnail);
        changed = true;
        if (item.endsBatch)
            finishBatch(item.kind);
    }
    m_applying = false;
    if (changed) {
        RefreshCells();
        RequestSpareUpdate();
    }
    if (m_pending.empty())
        unsetCursor();
}

// The entry was set when the file was asked for; here its thumbnail arrives, or why it cannot.
void TfrmObjectLightTable::LoadImageIntoCell(const PendingLoad &item, const sl::Thumbnail &thumbnail)
{
    if (!sl::isThumbnailImageName(item.name)) {
        sl::ShowMsg(tr("Unknown or unsupported extension") + QLatin1Char(' ') + item.ext);
        return;
    }
    if (!item.exists) {
        sl::ShowMsg(sl::WideFmt(tr("File \"%s\" doesn't exist!"), {item.stored}));
        return;
    }
    Table.addThumbnail(item.stored, thumbnail.image);
    if (thumbnail.image.isNull()) {
        // The readers' reasons mostly name the file already.
        const bool named = thumbnail.error.contains(QFileInfo(item.path).fileName());
        m_unreadable << (named ? thumbnail.error : item.stored + QStringLiteral(": ") + thumbnail.error);
        return;
    }
    if (Table.thumbnailCount() == 1)
        askMovieSize(thumbnail.imageSize);
}

void TfrmObjectLightTable::askMovieSize(const QSize &imageSize)
{
    const int w = sl::VarToIntDef0(m_project->GetValue(QStringLiteral("movie.width")));
    const int h = sl::VarToIntDef0(m_project->GetValue(QStringLiteral("movie.height")));
    if (imageSize.width() == w && imageSize.height() == h)
        return;
    const QString question = sl::WideFmt(
        tr("The image is %d x %d but your movie dimensions are %d x %d. Should I change the movie dimension to fit the image size?"),
        {imageSize.width(), imageSize.height(), w, h});
    if (sl::MsgBox(question, tr("Image size"), sl::MB_YESNO | sl::MB_ICONQUESTION) != sl::IDYES)
        return;
    m_project->SetValue(QStringLiteral("movie.width"), QString::number(imageSize.width()));
    m_project->SetValue(QStringLiteral("movie.height"), QString::number(imageSize.height()));
    m_project->ProjectToControls();
}

void TfrmObjectLightTable::finishBatch(LoadKind kind)
{
    if (!m_unreadable.isEmpty()) {
        QStringList listed = m_unreadable.mid(0, kUnreadableListed);
        if (m_unreadable.size() > kUnreadableListed)
            listed << tr("... and %1 more").arg(m_unreadable.size() - kUnreadableListed);
        m_unreadable.clear();
        sl::ShowMsg(tr("These images could not be read; their cells stay empty:") + QLatin1Char('\n')
                    + listed.join(QLatin1Char('\n')));
    }
    if (kind == LoadKind::Project) {
        m_firstPassDone = true;
        ui->btOk->setEnabled(true);
        setAcceptDrops(true);
    } else {
        BuildTable();
    }
    RefreshCells();
    RequestSpareUpdate();
}

void TfrmObjectLightTable::abortLoads()
{
    m_projectLoads.clear();
    m_pending.clear();
    Loader.cancelAll();
    m_unreadable.clear();
    unsetCursor();
    if (!m_firstPassDone) {
        m_firstPassDone = true;
        ui->btOk->setEnabled(true);
        setAcceptDrops(true);
    }
}

void TfrmObjectLightTable::sbOpenClick()
{
    const QStringList files = sl::hooks::openFileNames(
        tr("Open Images for the Lighttable"), m_project->basePath(),
        sl::qtFileFilter(tr("Imagefile (*.tif,*.jpg,*.bmp,*.png)|*.bmp;*.png;*.tif;*.jpg")),
        sl::OFN_FILEMUSTEXIST | sl::OFN_PATHMUSTEXIST);
    queueFiles(files, Table.appendCell(), LoadKind::OpenDialog);
}

void TfrmObjectLightTable::dragEnterEvent(QDragEnterEvent *event)
{
    if (m_firstPassDone && !localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TfrmObjectLightTable::dragMoveEvent(QDragMoveEvent *event)
{
    if (m_firstPassDone && !localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TfrmObjectLightTable::dropEvent(QDropEvent *event)
{
    const QStringList files = localFiles(event->mimeData());
    if (!m_firstPassDone || files.isEmpty())
        return;
    event->acceptProposedAction();
    // Onto the bottom panel: to the spare area only; elsewhere after the last filled cell.
    const QPoint onBottom = ui->pBottom->mapFrom(this, event->position().toPoint());
    const CellPos start = ui->pBottom->rect().contains(onBottom) ? CellPos{} : Table.appendCell();
    queueFiles(files, start, LoadKind::ShellDrop);
}

// ---------------------------------------------------------------------------------------------
// Drags inside the window

void TfrmObjectLightTable::areaPressed(sl::ThumbnailArea *area, int item, Qt::MouseButton button)
{
    DragItem pressed;
    if (area == ui->sbLT) {
        const CellPos cell = ui->sbLT->cellOf(item);
        if (!cell.isCell())
            return;
        pressed.kind = DragItem::Cell;
        pressed.cell = cell;
        SelectedCellKey = sl::MakeImageKey(cell.frame, cell.column, cell.row, 0);
        ui->sbLT->setSelectedCell(cell);
    } else {
        if (item < 0 || item >= ui->sbSpare->imageCount())
            return;
        pressed.kind = DragItem::SpareImage;
        pressed.spareIndex = item;
        pressed.name = ui->sbSpare->image(item).name;
        SelectedCellKey.clear();
        ui->sbLT->setSelectedCell({});
    }
    if (button == Qt::LeftButton) {
        m_drag = pressed;
        m_dragMoved = false;
    }
}

DragItem TfrmObjectLightTable::dragItemAt(const QPoint &globalPos) const
{
    DragItem target;
    if (ui->sbLT->viewportContainsGlobal(globalPos)) {
        const CellPos cell = ui->sbLT->cellOf(ui->sbLT->itemAtGlobal(globalPos));
        if (cell.isCell()) {
            target.kind = DragItem::Cell;
            target.cell = cell;
        }
    } else if (ui->sbSpare->viewportContainsGlobal(globalPos)) {
        const int i = ui->sbSpare->itemAtGlobal(globalPos);
        target.kind = i >= 0 ? DragItem::SpareImage : DragItem::SpareArea;
        target.spareIndex = i;
        if (i >= 0)
            target.name = ui->sbSpare->image(i).name;
    }
    return target;
}

void TfrmObjectLightTable::showDropTarget(const DragItem &target)
{
    ui->sbLT->setDropTarget(target.kind == DragItem::Cell ? ui->sbLT->itemOf(target.cell) : -1);
    ui->sbSpare->setDropTarget(target.kind == DragItem::SpareImage ? target.spareIndex : -1);
}

void TfrmObjectLightTable::areaMoved(const QPoint &globalPos)
{
    if (m_drag.kind == DragItem::Nothing)
        return;
    if (!m_dragMoved) {
        m_dragMoved = true;
        ui->sbLT->viewport()->setCursor(Qt::DragMoveCursor);
        ui->sbSpare->viewport()->setCursor(Qt::DragMoveCursor);
    }
    showDropTarget(dragItemAt(globalPos));
}

void TfrmObjectLightTable::areaReleased(const QPoint &globalPos)
{
    if (m_drag.kind == DragItem::Nothing)
        return;
    const DragItem source = m_drag;
    m_drag = {};
    ui->sbLT->viewport()->unsetCursor();
    ui->sbSpare->viewport()->unsetCursor();
    showDropTarget({});
    const DragItem target = dragItemAt(globalPos);
    if (target.kind == DragItem::Nothing)
        return;
    Table.drop(source, target);
    RefreshCells();
    RequestSpareUpdate();
}

void TfrmObjectLightTable::openCellFile(const CellPos &cell)
{
    if (!cell.isCell())
        return;
    const QString name = Table.cellEntry(cell);
    if (name.isEmpty() || name == sl::LightTable::kEmptyCell)
        return;
    const QFileInfo file(sl::resolveAgainstBase(name, m_project->basePath()));
    if (file.isFile())
        sl::hooks::openUrl(QUrl::fromLocalFile(file.absoluteFilePath()));
}

void TfrmObjectLightTable::miOpenImageClick()
{
    int frame, column, row, viewstate;
    if (!SelectedCellKey.isEmpty() && sl::ParseImageKey(SelectedCellKey, frame, column, row, viewstate))
        openCellFile({frame, column, row});
}

void TfrmObjectLightTable::pmLightTablePopup()
{
    for (QAction *a : miWrap->actions())
        a->setChecked(a->data().toInt() == Table.wrapMode());
    miUndo->setEnabled(Table.undoEnabled());
}

void TfrmObjectLightTable::miUndoClick()
{
    Table.undo();
    miUndo->setEnabled(false);
    RefreshCells();
    RequestSpareUpdate();
}

// ---------------------------------------------------------------------------------------------
// Counts, viewstates, clearing

bool TfrmObjectLightTable::eventFilter(QObject *watched, QEvent *event)
{
    if (sl::leavesControl(event))
        edExit();
    return QDialog::eventFilter(watched, event);
}

void TfrmObjectLightTable::setCountText(QLineEdit *edit, int value)
{
    sl::setEditText(edit, QString::number(value));
}

void TfrmObjectLightTable::edExit()
{
    int counts[3] = {Table.frameCount(), Table.columnCount(), Table.rowCount()};
    QLineEdit *edits[3] = {ui->edACnt, ui->edXCnt, ui->edYCnt};
    bool changed = false;
    for (int i = 0; i < 3; ++i) {
        const int n = sl::VarToIntDef0(edits[i]->text());
        if (n == counts[i])
            continue;
        counts[i] = std::clamp(n, 1, sl::LightTable::kMaxCount);
        setCountText(edits[i], counts[i]);
        changed = true;
    }
    if (!changed)
        return;
    Table.setCounts(counts[0], counts[1], counts[2]);
    BuildTable();
    RequestSpareUpdate();
    setAnimationEnabled();
}

void TfrmObjectLightTable::cbViewStateChange()
{
    Table.setCurrentViewstate(ui->cbViewState->currentIndex());
    RefreshCells();
    RequestSpareUpdate();
}

void TfrmObjectLightTable::refillStateLists()
{
    for (QComboBox *c : {ui->cbVSNormal, ui->cbVSMouseDown}) {
        const QSignalBlocker block(c);
        const int index = std::min(c->currentIndex(), ui->cbViewState->count() - 1);
        c->clear();
        for (int v = 0; v < ui->cbViewState->count(); ++v)
            c->addItem(ui->cbViewState->itemText(v));
        c->setCurrentIndex(index);
    }
}

void TfrmObjectLightTable::btAddVSClick()
{
    if (sl::MsgBox(tr("Do you really want to add a new viewstate?"), tr("Object Movie Viewstates"),
                   sl::MB_YESNO | sl::MB_ICONQUESTION) != sl::IDYES)
        return;
    if (!Table.addViewstate())
        return;
    {
        const QSignalBlocker block(ui->cbViewState);
        ui->cbViewState->addItem(viewstateText(Table.viewstateCount() - 1));
        ui->cbViewState->setCurrentIndex(Table.currentViewstate());
    }
    refillStateLists();
    RefreshCells();
    RequestSpareUpdate();
}

void TfrmObjectLightTable::btDelVSClick()
{
    if (Table.viewstateCount() <= 1)
        return;
    if (sl::MsgBox(tr("Do you really want to delete this viewstate?"), tr("Object Movie Viewstates"),
                   sl::MB_YESNO | sl::MB_ICONQUESTION) != sl::IDYES)
        return;
    Table.deleteViewstate();
    miUndo->setEnabled(false);
    {
        const QSignalBlocker block(ui->cbViewState);
        ui->cbViewState->removeItem(ui->cbViewState->count() - 1);
        ui->cbViewState->setCurrentIndex(Table.currentViewstate());
    }
    refillStateLists();
    RefreshCells();
    RequestSpareUpdate();
}

void TfrmObjectLightTable::spTrashClick()
{
    if (sl::MsgBox(tr("Do you really want to remove all images from the Light-table?"), tr("Clear light-table"),
                   sl::MB_YESNO | sl::MB_ICONQUESTION) != sl::IDYES)
        return;
    abortLoads();
    Table.clearImages();
    RefreshCells();
    RequestSpareUpdate();
}

// ---------------------------------------------------------------------------------------------
// Ok, Cancel and closing

sl::ObjectSettings TfrmObjectLightTable::settingsFromControls() const
{
    sl::ObjectSettings s;
    s.frames = Table.frameCount();
    s.columns = Table.columnCount();
    s.rows = Table.rowCount();
    s.viewstates = Table.viewstateCount();
    s.stateNormal = ui->cbVSNormal->currentIndex();
    s.stateMouseDown = ui->cbVSMouseDown->currentIndex();
    s.limitHotspots = ui->cbCompressHotspot->currentIndex();
    s.animate = ui->rgObjAnimPingPong->isChecked() ? 2
        : ui->rgObjAnimPlay->isChecked()           ? 1
        : ui->rgObjAnimOff->isChecked()            ? 0
                                                   : -1;
    s.noLoop = ui->cbAnimDontLoop->isChecked();
    s.restartEach = ui->cbAnimRestartEach->isChecked();
    s.frameRate = ui->edObjectAnimSpeed->text();
    return s;
}

void TfrmObjectLightTable::btOkClick()
{
    if (!m_firstPassDone)
        return;
    edExit(); // a count typed and confirmed with the keyboard
    abortLoads();
    sl::ProjectList &project = m_project->projectList();
    sl::LightTable::removeImageLines(project);
    settingsFromControls().write([this](const QString &key, const QString &value, const QString &def) {
        m_project->SetValue(key, value, def);
    });
    Table.appendImageLines(project);
    m_project->ProjectToControls();
    m_project->ControlsToProject();
    AskOnClose = false;
    accept();
}

void TfrmObjectLightTable::btCancelClick()
{
    // During a load the window closes without the question; closing stops the load.
    if (isLoading())
        AskOnClose = false;
    reject();
}

void TfrmObjectLightTable::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        btCancelClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmObjectLightTable::reject()
{
    if (AskOnClose
        && sl::MsgBox(tr("You will lose all modification in the Light-table! Do you really want to close the window?"),
                      tr("Light-table"), sl::MB_YESNO | sl::MB_ICONWARNING)
               != sl::IDYES)
        return;
    abortLoads();
    QDialog::reject();
}
