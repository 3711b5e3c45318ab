#pragma once
// The console tab's view of the engine's output (mConsole): a read-only view of a ConsoleText
// that never wraps and paints only the lines it shows, and of a long line only the part that
// can be seen, so that floods of lines and lines of a megabyte stay cheap. It assumes a
// fixed-pitch font. Text is selected with the mouse (Shift extends the selection) and copied
// with Ctrl+C or the context menu; Ctrl+A selects everything.
#include <QAbstractScrollArea>

#include "engine/ConsoleText.h"

namespace sl {

class ConsoleView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit ConsoleView(QWidget *parent = nullptr);

    // Appends text; each "\n" starts a new line. A view that shows the last line keeps
    // showing the last line.
    void appendPlainText(const QString &text);
    // Appends lines (none holds a line break).
    void appendLines(const QStringList &lines);
    void clear();
    QString toPlainText() const { return m_text.text(); }
    const ConsoleText &lines() const { return m_text; }

    QString selectedText() const;
    void selectAll();
    void copy() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // A place in the text: line (counted from the first line ever appended since clear(), so
    // that it survives dropped lines) and column.
    struct Place
    {
        qsizetype line = 0;
        qsizetype column = 0;
        auto operator<=>(const Place &) const = default;
    };

    template<typename Append>
    void appendKeepingView(Append append);
    qsizetype firstShownLine() const; // the line number of view line 0 (the note counts as -1)
    int shownLines() const;
    Place placeAt(const QPoint &point) const;
    void updateScrollBars();
    void updateMetrics();

    ConsoleText m_text;
    Place m_anchor, m_cursor;
    int m_lineHeight = 1;
    int m_charWidth = 1;
    int m_ascent = 0;
};

} // namespace sl
