#pragma once
// Small rules every window follows when it reads or sets a control.
#include <QFocusEvent>
#include <QLineEdit>
#include <QWidget>

namespace sl {

// The control's own enabled state, whatever its parents and its tab say.
inline bool ownEnabled(const QWidget *w)
{
    return !w->testAttribute(Qt::WA_ForceDisabled);
}

// Whether an event leaves a control, as the program commits on it: the focus goes to another
// control, not to another window or a popup.
inline bool leavesControl(const QEvent *event)
{
    if (event->type() != QEvent::FocusOut)
        return false;
    const Qt::FocusReason reason = static_cast<const QFocusEvent *>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

// Sets an edit's text only when it differs, so the cursor never jumps while the user types.
inline void setEditText(QLineEdit *e, const QString &text)
{
    if (e->text() != text)
        e->setText(text);
}

// An edit holds at most maxLength() characters, so a longer value is shown cut. True while
// the edit shows `value` cut so and untouched: storing its text then would lose the rest.
inline bool showsCutValue(const QLineEdit *e, const QString &value)
{
    return value.size() > e->maxLength() && e->text().size() == e->maxLength()
           && QStringView(value).first(e->maxLength()) == e->text();
}

} // namespace sl
