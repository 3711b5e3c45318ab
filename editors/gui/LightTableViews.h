#pragma once
// The two painted areas of the light table: the grid of the current viewstate and the spare
// images. Each is one widget that paints only its exposed part, so grids of thousands of cells
// stay fast; they report presses, releases and double-clicks by item and leave what they mean
// to the window.
#include "editors/LightTable.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QList>
#include <QString>

namespace sl {

class ThumbnailArea : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit ThumbnailArea(QWidget *parent = nullptr);

    // The item under a point of the viewport; -1 for none.
    int itemAtViewport(const QPoint &pos) const;
    // The item under a point of the screen; -1 for none or outside the viewport.
    int itemAtGlobal(const QPoint &globalPos) const;
    bool viewportContainsGlobal(const QPoint &globalPos) const;
    // Marks the item a drag would drop on; -1 for none.
    void setDropTarget(int item);
    // The content changed size or look: new scroll ranges and a repaint.
    void contentChanged();
    void scrollToOrigin();

signals:
    void pressed(int item, Qt::MouseButton button);
    void moved(const QPoint &globalPos);   // with a button held
    void released(const QPoint &globalPos);
    void doubleClicked(int item);
    void contextMenuRequested(const QPoint &globalPos);

protected:
    virtual QSize contentSize() const = 0;
    virtual int itemAt(const QPoint &contentPos) const = 0;
    // Paints what lies in `exposed` (content coordinates; the painter is translated already).
    virtual void paintContent(QPainter &painter, const QRect &exposed) = 0;
    virtual QString itemHint(int item) const = 0;

    // One square: the thumbnail, or an empty cell with the name of a file it lacks.
    void paintThumbnail(QPainter &painter, const QRect &rect, const QImage *thumbnail, const QString &missing,
                        bool selected, bool target) const;
    int dropTarget() const { return m_dropTarget; }
    QPoint contentOffset() const;

    bool viewportEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    int m_dropTarget = -1;
};

// The grid of the current viewstate: one panel per view (row, column) with a cell per frame.
// Items are the cells in cell order.
class LightTableGrid : public ThumbnailArea
{
    Q_OBJECT

public:
    explicit LightTableGrid(QWidget *parent = nullptr);
    void setTable(const LightTable *table);
    CellPos cellOf(int item) const;
    int itemOf(const CellPos &cell) const;
    void setSelectedCell(const CellPos &cell);
    // A cell's place in content coordinates.
    QRect cellRect(const CellPos &cell) const;

protected:
    QSize contentSize() const override;
    int itemAt(const QPoint &contentPos) const override;
    void paintContent(QPainter &painter, const QRect &exposed) override;
    QString itemHint(int item) const override;

private:
    int panelWidth() const;
    const LightTable *m_table = nullptr;
    CellPos m_selected;
};

// The spare images side by side in one scrolled row.
class LightTableSpareArea : public ThumbnailArea
{
    Q_OBJECT

public:
    struct Image
    {
        QString name;
        QImage thumbnail;
    };
    explicit LightTableSpareArea(QWidget *parent = nullptr);
    void setImages(const QList<Image> &images);
    int imageCount() const { return int(m_images.size()); }
    const Image &image(int i) const { return m_images.at(i); }

protected:
    QSize contentSize() const override;
    int itemAt(const QPoint &contentPos) const override;
    void paintContent(QPainter &painter, const QRect &exposed) override;
    QString itemHint(int item) const override;

private:
    QList<Image> m_images;
};

} // namespace sl
