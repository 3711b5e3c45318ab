#include "engine/gui/ConsoleView.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace sl {

ConsoleView::ConsoleView(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setFont(QFont(QStringLiteral("Monospace")));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    updateMetrics();
}

qsizetype ConsoleView::firstShownLine() const
{
    return m_text.dropped() - (m_text.dropped() > 0 ? 1 : 0);
}

int ConsoleView::shownLines() const
{
    return std::max(1, viewport()->height() / m_lineHeight);
}

void ConsoleView::updateMetrics()
{
    const QFontMetrics fm(font());
    m_lineHeight = std::max(1, fm.lineSpacing());
    m_charWidth = std::max(1, fm.horizontalAdvance(QLatin1Char('M')));
    m_ascent = fm.ascent();
    updateScrollBars();
}

void ConsoleView::updateScrollBars()
{
    const qsizetype count = m_text.lineCount();
    verticalScrollBar()->setRange(0, int(std::min<qsizetype>(INT_MAX, std::max<qsizetype>(0, count - shownLines()))));
    verticalScrollBar()->setPageStep(shownLines());
    verticalScrollBar()->setSingleStep(1);
    const qsizetype longest = std::max(m_text.longestLine(), m_text.lineLength(0)) + 1;
    const qint64 width = qint64(longest) * m_charWidth - viewport()->width();
    horizontalScrollBar()->setRange(0, int(std::clamp<qint64>(width, 0, INT_MAX)));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(m_charWidth);
}

template<typename Append>
void ConsoleView::appendKeepingView(Append append)
{
    QScrollBar *bar = verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    const qsizetype top = bar->value() + firstShownLine();
    append();
    updateScrollBars();
    bar->setValue(atEnd ? bar->maximum() : int(std::max<qsizetype>(0, top - firstShownLine())));
    viewport()->update();
}

void ConsoleView::appendPlainText(const QString &text)
{
    appendKeepingView([&] {
        const QStringView all(text);
        qsizetype start = 0;
        for (;;) {
            const qsizetype end = all.indexOf(QLatin1Char('\n'), start);
            m_text.append(all.sliced(start, (end < 0 ? all.size() : end) - start));
            if (end < 0)
                break;
            start = end + 1;
        }
    });
}

void ConsoleView::appendLines(const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    appendKeepingView([&] {
        for (const QString &line : lines)
            m_text.append(line);
    });
}

void ConsoleView::clear()
{
    m_text.clear();
    m_anchor = m_cursor = {};
    updateScrollBars();
    viewport()->update();
}

QString ConsoleView::selectedText() const
{
    const Place from = std::min(m_anchor, m_cursor), to = std::max(m_anchor, m_cursor);
    if (from == to)
        return QString();
    const qsizetype offset = firstShownLine();
    QStringList parts;
    for (qsizetype line = std::max(from.line, offset); line <= to.line; ++line) {
        const qsizetype i = line - offset;
        if (i >= m_text.lineCount())
            break;
        const qsizetype begin = line == from.line ? from.column : 0;
        const qsizetype end = line == to.line ? to.column : m_text.lineLength(i);
        parts << m_text.lineSlice(i, begin, end - begin);
    }
    return parts.join(QLatin1Char('\n'));
}

void ConsoleView::selectAll()
{
    const qsizetype last = m_text.lineCount() - 1;
    m_anchor = {firstShownLine(), 0};
    m_cursor = {firstShownLine() + std::max<qsizetype>(0, last), m_text.lineLength(last)};
    viewport()->update();
}

void ConsoleView::copy() const
{
    const QString text = selectedText();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

ConsoleView::Place ConsoleView::placeAt(const QPoint &point) const
{
    const qsizetype count = m_text.lineCount();
    if (count == 0)
        return {firstShownLine(), 0};
    const qsizetype i = std::clamp<qsizetype>(verticalScrollBar()->value() + point.y() / m_lineHeight, 0, count - 1);
    const qsizetype x = std::max(0, point.x() + horizontalScrollBar()->value() + m_charWidth / 2);
    return {i + firstShownLine(), std::min(x / m_charWidth, m_text.lineLength(i))};
}

void ConsoleView::paintEvent(QPaintEvent *)
{
    QPainter p(viewport());
    const int xOffset = horizontalScrollBar()->value();
    const qsizetype firstColumn = xOffset / m_charWidth;
    const qsizetype columns = viewport()->width() / m_charWidth + 2;
    const qsizetype top = verticalScrollBar()->value();
    const qsizetype last = std::min(m_text.lineCount(), top + shownLines() + 1);
    const Place from = std::min(m_anchor, m_cursor), to = std::max(m_anchor, m_cursor);
    const int x0 = int(firstColumn * m_charWidth) - xOffset;
    for (qsizetype i = top; i < last; ++i) {
        const int y = int(i - top) * m_lineHeight;
        const qsizetype line = i + firstShownLine();
        const QString text = m_text.lineSlice(i, firstColumn, columns);
        if (from != to && line >= from.line && line <= to.line) {
            const qsizetype begin = line == from.line ? from.column : 0;
            const qsizetype end = line == to.line ? to.column : m_text.lineLength(i) + 1;
            const QRect selected(int(begin * m_charWidth) - xOffset, y, int((end - begin) * m_charWidth), m_lineHeight);
            p.fillRect(selected, palette().highlight());
            p.setPen(palette().color(QPalette::Text));
            p.drawText(x0, y + m_ascent, text);
            p.save();
            p.setClipRect(selected);
            p.setPen(palette().color(QPalette::HighlightedText));
            p.drawText(x0, y + m_ascent, text);
            p.restore();
        } else {
            p.setPen(palette().color(QPalette::Text));
            p.drawText(x0, y + m_ascent, text);
        }
    }
}

void ConsoleView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ConsoleView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() != QEvent::FontChange)
        return;
    // Columns are counted in character widths: a font without fixed pitch gives way to one with.
    if (!QFontInfo(font()).fixedPitch() && font().styleHint() != QFont::TypeWriter) {
        QFont fixed = font();
        fixed.setStyleHint(QFont::TypeWriter);
        setFont(fixed);
        return;
    }
    updateMetrics();
}

void ConsoleView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    m_cursor = placeAt(event->position().toPoint());
    if (!(event->modifiers() & Qt::ShiftModifier))
        m_anchor = m_cursor;
    viewport()->update();
}

void ConsoleView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint at = event->position().toPoint();
    if (at.y() < 0)
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (at.y() > viewport()->height())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    m_cursor = placeAt(at);
    viewport()->update();
}

void ConsoleView::keyPressEvent(QKeyEvent *event)
{
    if (event == QKeySequence::Copy) {
        copy();
    } else if (event == QKeySequence::SelectAll) {
        selectAll();
    } else if (event == QKeySequence::MoveToStartOfDocument) {
        verticalScrollBar()->setValue(0);
    } else if (event == QKeySequence::MoveToEndOfDocument) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void ConsoleView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    QAction *copyAction = menu.addAction(tr("Copy"), this, &ConsoleView::copy);
    copyAction->setEnabled(m_anchor != m_cursor);
    menu.addAction(tr("Select All"), this, &ConsoleView::selectAll);
    menu.exec(event->globalPos());
}

} // namespace sl
