#pragma once
// Small rules every part of the main window follows when it reads or sets a control.
#include <QLineEdit>
#include <QWidget>

namespace sl {

// The control's own enabled state, whatever its parents and its tab say.
inline bool ownEnabled(const QWidget *w)
{
    return !w->testAttribute(Qt::WA_ForceDisabled);
}

// Sets an edit's text only when it differs, so the cursor never jumps while the user types.
inline void setEditText(QLineEdit *e, const QString &text)
{
    if (e->text() != text)
        e->setText(text);
}

} // namespace sl
