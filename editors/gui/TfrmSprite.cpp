#include "editors/gui/TfrmSprite.h"
#include "ui_TfrmSprite.h"

#include <QButtonGroup>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "platform/gui/ControlState.h"
#include "platform/gui/Hooks.h"
#include "project/EditedProject.h"
#include "project/FilePickers.h"
#include "project/PathRules.h"
#include "project/Values.h"

using namespace sl::sprite;

namespace {

// The preview shows movies up to this size; larger values only scroll further.
constexpr int MaxPreviewSide = 16384;

int previewSide(const QString &value)
{
    return qBound(0, sl::VarToIntDef0(value), MaxPreviewSide);
}

// A shape a widget can take: typed numbers may lie far outside any screen.
QRect displayable(const QRect &r)
{
    const int limit = 2 * MaxPreviewSide;
    return QRect(qBound(-limit, r.x(), limit), qBound(-limit, r.y(), limit), qMin(r.width(), limit),
                 qMin(r.height(), limit));
}

} // namespace

TfrmSprite::TfrmSprite(sl::EditedProject &project, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::TfrmSprite)
    , m_project(project)
{
    ui->setupUi(this);
    FormCreate();
}

TfrmSprite::~TfrmSprite()
{
    delete ui;
}

void TfrmSprite::FormCreate()
{
    m_movie = QSize(previewSide(m_project.GetValue(QStringLiteral("movie.width"))),
                    previewSide(m_project.GetValue(QStringLiteral("movie.height"))));
    ui->sMovie->setGeometry(QRect(QPoint(0, 0), m_movie));
    ui->pPreview->resize(m_movie);

    ui->cbSpriteBlend->clear();
    for (int i = 0; i < BlendItemCount; ++i)
        ui->cbSpriteBlend->addItem(tr(blendItemText(i)));

    m_anchors = new QButtonGroup(this);
    for (int i = 0; i < 9; ++i)
        m_anchors->addButton(findChild<QRadioButton *>(QStringLiteral("rgAnchor_%1").arg(i)), i);

    pmAlign = new QMenu(this);
    pmAlign->setObjectName(QStringLiteral("pmAlign"));
    QMenu *horizontal = pmAlign->addMenu(tr("Align Horizontal"));
    horizontal->addAction(tr("Left"), this, [this] { miAlignClick(true, 0); });
    horizontal->addAction(tr("Center"), this, [this] { miAlignClick(true, AlignCentre); });
    horizontal->addAction(tr("Right"), this, [this] { miAlignClick(true, AlignFar); });
    QMenu *vertical = pmAlign->addMenu(tr("Align Vertical"));
    vertical->addAction(tr("Top"), this, [this] { miAlignClick(false, 0); });
    vertical->addAction(tr("Center"), this, [this] { miAlignClick(false, AlignCentre); });
    vertical->addAction(tr("Bottom"), this, [this] { miAlignClick(false, AlignFar); });
    pmAlign->addAction(tr("Default Dimensions"), this, [this] { miDefaultDimensionsClick(); });
    connect(ui->sbSprite, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { pmAlign->popup(ui->sbSprite->mapToGlobal(pos)); });

    for (QLineEdit *e : {ui->edSpriteLeft, ui->edSpriteTop, ui->edSpriteWidth, ui->edSpriteHeight})
        connect(e, &QLineEdit::textChanged, this, [this] { UpdatePreview(); });
    connect(ui->cbSpriteVisible, &QCheckBox::clicked, this, [this] { cbSpriteVisibleClick(); });
    connect(ui->cbFlash, &QCheckBox::clicked, this, [this] { cbSpriteVisibleClick(); });
    connect(ui->bfFile, &QToolButton::clicked, this, [this] { bfFileClick(); });
    connect(ui->btOk, &QPushButton::clicked, this, [this] { btOkClick(); });
    connect(ui->btCancel, &QPushButton::clicked, this, &QDialog::reject);
    for (QWidget *w : {ui->sMovie, ui->sSprite, static_cast<QWidget *>(ui->sSpriteColor)})
        w->installEventFilter(this);

    // The client area holds the whole movie (at least 600 x 400) and the two panels, within
    // the screen's free area; the preview scrolls when the screen is smaller.
    const QSize client = dialogClientSize(m_movie, ui->pTop->sizeHint().height(), ui->pBottom->sizeHint().height());
    const QWidget *owner = parentWidget() ? parentWidget() : this;
    const QRect outer = owner->frameGeometry(), inner = owner->geometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                         outer.bottom() - inner.bottom());
    QScreen *screen = owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), client);
    setGeometry(dialogGeometry(client, frame, outer, available));
}

void TfrmSprite::LoadSprite(int number)
{
    SpriteNumber = number;
    const SpriteSettings s = readSprite(m_project.projectAccess(), number);
    ui->edSpriteFile->setText(s.fileName);
    setSwatchColour(s.colour);
    setGeometryEdits({s.left, s.top, s.width, s.height});
    ui->cbSpriteBlend->setCurrentIndex(s.blendItem);
    ui->cbSpriteVisible->setChecked(s.visible);
    ui->cbLoadBefore->setChecked(s.loadBefore);
    ui->cbFlash->setChecked(s.flash);
    setAnchorItem(s.anchor);
    UpdatePreview();
}

void TfrmSprite::UpdatePreview()
{
    const QRect shape = displayable(shapeRect(geometryEdits(), m_movie));
    ui->sSprite->setGeometry(shape);
    ui->sSprite->setVisible(ui->cbSpriteVisible->isChecked());
    // The scroll range covers the movie and a sprite reaching out of it to the right or below.
    const QSize content = m_movie.expandedTo(QSize(shape.right() + 1, shape.bottom() + 1));
    if (ui->pPreview->size() != content)
        ui->pPreview->resize(content);
}

// ---------------------------------------------------------------------------------------------
// Controls

sl::sprite::Geometry TfrmSprite::geometryEdits() const
{
    return {ui->edSpriteLeft->text(), ui->edSpriteTop->text(), ui->edSpriteWidth->text(), ui->edSpriteHeight->text()};
}

void TfrmSprite::setGeometryEdits(const Geometry &g)
{
    const std::pair<QLineEdit *, QString> edits[] = {
        {ui->edSpriteLeft, g.left}, {ui->edSpriteTop, g.top}, {ui->edSpriteWidth, g.width}, {ui->edSpriteHeight, g.height}};
    for (const auto &[edit, text] : edits)
        sl::setEditText(edit, text);
}

SpriteSettings TfrmSprite::settingsFromControls() const
{
    SpriteSettings s;
    s.fileName = ui->edSpriteFile->text();
    s.colour = m_colour;
    s.blendItem = ui->cbSpriteBlend->currentIndex();
    s.visible = ui->cbSpriteVisible->isChecked();
    s.loadBefore = ui->cbLoadBefore->isChecked();
    s.flash = ui->cbFlash->isChecked();
    const Geometry g = geometryEdits();
    s.left = g.left;
    s.top = g.top;
    s.width = g.width;
    s.height = g.height;
    s.anchor = m_anchors->checkedId();
    return s;
}

void TfrmSprite::setSwatchColour(const QColor &colour)
{
    m_colour = colour;
    QPalette pal = ui->sSpriteColor->palette();
    pal.setColor(QPalette::Window, colour);
    ui->sSpriteColor->setPalette(pal);
}

void TfrmSprite::setAnchorItem(int item)
{
    if (QAbstractButton *b = m_anchors->button(item)) {
        b->setChecked(true);
        return;
    }
    // No anchor: exclusive buttons cannot be unchecked while they are exclusive.
    m_anchors->setExclusive(false);
    for (QAbstractButton *b : m_anchors->buttons())
        b->setChecked(false);
    m_anchors->setExclusive(true);
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TfrmSprite::btOkClick()
{
    const SpriteSettings s = settingsFromControls();
    if (blendsWithBlack(s)
        && sl::MsgBox(tr("You have selected blend mode with the color black! The sprite will NOT be visible!")
                          + QLatin1Char('\n') + tr("Do you really want to keep these settings?"),
                      tr("Warning"), sl::MB_YESNO | sl::MB_ICONWARNING)
               != sl::IDYES)
        return;
    writeSprite(m_project.projectAccess(), SpriteNumber, s);
    m_project.ProjectToControls();
    accept();
}

void TfrmSprite::bfFileClick()
{
    const QString current = ui->edSpriteFile->text();
    const QString folder = current.isEmpty() ? m_project.programDir() + QStringLiteral("/sprites") : QString();
    const QString chosen = sl::hooks::openFileName(
        tr("Filename of the Sprite"), folder, sl::resolveAgainstBase(current, m_project.basePath()),
        sl::qtFileFilter(tr("Input file (*.*)|*.*")), QString(), sl::OFN_FILEMUSTEXIST);
    if (!chosen.isEmpty())
        ui->edSpriteFile->setText(chosen);
}

void TfrmSprite::sSpriteMouseMove(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (event->buttons() & Qt::LeftButton) {
        setGeometryEdits(dragTo(m_drag, geometryEdits(), pos, m_movie));
    } else if (event->buttons() == Qt::NoButton && event->modifiers() == Qt::NoModifier) {
        const Hover h = hoverAt(pos, ui->sSprite->size());
        m_drag.modeX = h.modeX;
        m_drag.modeY = h.modeY;
        ui->sSprite->setCursor(h.cursor);
    }
    UpdatePreview();
}

void TfrmSprite::sSpriteColorMouseDown()
{
    if (const auto chosen = sl::hooks::chooseColour(m_colour))
        setSwatchColour(*chosen);
}

void TfrmSprite::cbSpriteVisibleClick()
{
    ui->sSprite->setVisible(ui->cbSpriteVisible->isChecked());
}

void TfrmSprite::miAlignClick(bool horizontal, int code)
{
    (horizontal ? ui->edSpriteLeft : ui->edSpriteTop)->setText(QString::number(code));
    UpdatePreview();
}

void TfrmSprite::miDefaultDimensionsClick()
{
    ui->edSpriteWidth->setText(QStringLiteral("0"));
    ui->edSpriteHeight->setText(QStringLiteral("0"));
    UpdatePreview();
}

// ---------------------------------------------------------------------------------------------
// The preview's shapes

void TfrmSprite::paintMovie()
{
    QPainter p(ui->sMovie);
    p.fillRect(ui->sMovie->rect(), Qt::white);
    p.setPen(Qt::black);
    p.drawRect(ui->sMovie->rect().adjusted(0, 0, -1, -1));
}

void TfrmSprite::paintSprite()
{
    QPainter p(ui->sSprite);
    p.setBrush(QBrush(QColor(0xC0, 0xC0, 0xC0), Qt::DiagCrossPattern));
    p.setPen(QPen(Qt::black, 2));
    p.drawRect(ui->sSprite->rect().adjusted(1, 1, -1, -1));
}

bool TfrmSprite::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->sMovie && event->type() == QEvent::Paint) {
        paintMovie();
        return true;
    }
    if (watched == ui->sSprite) {
        switch (event->type()) {
        case QEvent::Paint:
            paintSprite();
            return true;
        case QEvent::MouseButtonPress:
            m_drag.start = static_cast<QMouseEvent *>(event)->position().toPoint();
            return false;
        case QEvent::MouseMove:
            sSpriteMouseMove(static_cast<QMouseEvent *>(event));
            return true;
        default:
            break;
        }
    }
    if (watched == ui->sSpriteColor && event->type() == QEvent::MouseButtonPress) {
        sSpriteColorMouseDown();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
