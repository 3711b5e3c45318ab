#pragma once
// The sprite dialog: one of the ten user sprites with its file, place, size, blend mode and
// colour, visibility, loading order and Flash use and anchor, over a to-scale preview of the
// movie in which the sprite is moved and sized with the mouse. Ok writes the sprite into the
// project; Cancel writes nothing.
#include <QDialog>

#include "editors/SpriteKeys.h"
#include "editors/SpritePreview.h"

class QButtonGroup;
class QMenu;
class QMouseEvent;

namespace Ui {
class TfrmSprite;
}
namespace sl {
class EditedProject;
}

class TfrmSprite : public QDialog
{
    Q_OBJECT

public:
    // Sizes the preview to the project's movie and the dialog to the preview (within the
    // screen), centred on `parent`.
    explicit TfrmSprite(sl::EditedProject &project, QWidget *parent = nullptr);
    ~TfrmSprite() override;

    // Fills the controls from the project for sprite `number` and updates the preview.
    void LoadSprite(int number);
    // Places and sizes the sprite shape from the four edits and shows it while "visible" is on.
    void UpdatePreview();

    int spriteNumber() const { return SpriteNumber; }
    QSize movieSize() const { return m_movie; }
    QMenu *alignMenu() const { return pmAlign; }
    Ui::TfrmSprite *ui;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void btOkClick();
    void bfFileClick();
    void sSpriteMouseMove(QMouseEvent *event);
    void sSpriteColorMouseDown();
    void cbSpriteVisibleClick();
    void miAlignClick(bool horizontal, int code);
    void miDefaultDimensionsClick();

    sl::sprite::SpriteSettings settingsFromControls() const;
    sl::sprite::Geometry geometryEdits() const;
    void setGeometryEdits(const sl::sprite::Geometry &geometry);
    void setSwatchColour(const QColor &colour);
    void setAnchorItem(int item);
    void paintMovie();
    void paintSprite();

    sl::EditedProject &m_project;
    int SpriteNumber = 0;
    sl::sprite::DragState m_drag; // DragStartX/Y and DragModeX/Y
    QSize m_movie;
    QColor m_colour;
    QButtonGroup *m_anchors = nullptr;
    QMenu *pmAlign = nullptr;
};
