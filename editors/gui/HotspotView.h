#pragma once
// The hotspot editor's view (`imgShow`): shows the loaded tile zoomed and turned with its
// hotspots tinted, and turns the mouse into drawings on the layer. It paints only the exposed
// part, each view pixel through the editor's viewToImage, so that what is seen is what is hit.
#include <QImage>
#include <QPointer>
#include <QWidget>

#include "editors/HotspotEditor.h"

namespace sl::hotspot {

class HotspotView : public QWidget
{
    Q_OBJECT

public:
    explicit HotspotView(QWidget *parent = nullptr);

    void setEditor(HotspotEditor *editor);
    // The rubber band shown over a dragged rectangle, rounded rectangle or ellipse.
    void setRubberBand(QWidget *band);
    // Choosing a tool drops an unfinished polygon and ends a drag.
    void setTool(Tool tool);
    Tool tool() const { return m_tool; }
    // The hotspot number the tools paint and the view tints red (0 erases).
    void setNumber(int number);
    int number() const { return m_number; }
    // Takes the size of the editor's view (after a load, a zoom or a turn) and repaints; the
    // next hover reports whatever lies under the mouse.
    void updateViewSize();
    void endDrag();
    void dropPolygon();

signals:
    // The hotspot number under the mouse changed (-1 outside the image).
    void hoverChanged(int number);
    // The information tool was clicked on hotspot `number` (0: none; -1 outside the image).
    void numberPicked(int number);
    // A drawing changed the layer.
    void layerChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void polygonPress(QPoint at, bool last);
    void paintRubberBand(QWidget *band);

    HotspotEditor *m_editor = nullptr;
    QPointer<QWidget> m_band;
    Tool m_tool = Tool::Info;
    int m_number = 1;
    bool m_dragging = false;
    QPoint m_dragStart;
    QPoint m_polygonMouse;
    bool m_polygonMouseSet = false;
    int m_lastHover = 0;
    QImage m_buffer; // the composed exposed part, reused between paints
};

} // namespace sl::hotspot
