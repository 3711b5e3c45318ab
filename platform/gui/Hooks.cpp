#include "platform/gui/Hooks.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QWidget>

namespace sl {

namespace {

int defaultMsgBox(const QString &text, const QString &caption, unsigned flags)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(caption);
    box.setText(text);
    switch (flags & MB_ICONMASK) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    QMessageBox::StandardButton def = QMessageBox::Ok;
    QMessageBox::StandardButton esc = QMessageBox::Ok;
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        esc = QMessageBox::Cancel;
        break;
    case MB_YESNOCANCEL:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        def = QMessageBox::Yes;
        esc = QMessageBox::Cancel;
        break;
    case MB_YESNO:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        def = QMessageBox::Yes;
        esc = QMessageBox::No;
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    box.setDefaultButton(def);
    box.setEscapeButton(esc);
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    const auto answer = clicked ? box.standardButton(clicked) : esc;
    switch (answer) {
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Cancel: return IDCANCEL;
    default: return IDOK;
    }
}

int defaultShowMsg(const QString &text)
{
    return hooks::msgBox(text, kApplicationTitle, MB_OK);
}

QStringList runFileDialog(bool save, const QString &title, const QString &folder,
                          const QString &proposedName, const QString &filter,
                          const QString &defaultExt, unsigned options, bool several = false)
{
    const QString cwd = QDir::currentPath();
    QFileDialog dialog(QApplication::activeWindow(), title, folder, filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !(options & OFN_FILEMUSTEXIST) ? QFileDialog::AnyFile
                       : several                              ? QFileDialog::ExistingFiles
                                                              : QFileDialog::ExistingFile);
    if (save && !(options & OFN_OVERWRITEPROMPT))
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!defaultExt.isEmpty())
        dialog.setDefaultSuffix(defaultExt);
    if (!proposedName.isEmpty() && !proposedName.contains(QLatin1Char('*')))
        dialog.selectFile(proposedName);
    QStringList chosen;
    if (dialog.exec() == QDialog::Accepted)
        chosen = several ? dialog.selectedFiles() : dialog.selectedFiles().mid(0, 1);
    if ((options & OFN_PATHMUSTEXIST) && !chosen.isEmpty() && !QFileInfo(chosen.constFirst()).absoluteDir().exists())
        chosen.clear();
    QDir::setCurrent(cwd);
    return chosen;
}

QString defaultOpenFileName(const QString &title, const QString &folder, const QString &name,
                            const QString &filter, const QString &ext, unsigned options)
{
    return runFileDialog(false, title, folder, name, filter, ext, options).value(0);
}

QString defaultSaveFileName(const QString &title, const QString &folder, const QString &name,
                            const QString &filter, const QString &ext, unsigned options)
{
    return runFileDialog(true, title, folder, name, filter, ext, options).value(0);
}

QStringList defaultOpenFileNames(const QString &title, const QString &folder, const QString &filter,
                                 unsigned options)
{
    return runFileDialog(false, title, folder, QString(), filter, QString(), options, true);
}

std::optional<QColor> defaultChooseColour(const QColor &initial)
{
    const QColor c = QColorDialog::getColor(initial, QApplication::activeWindow());
    if (!c.isValid())
        return std::nullopt;
    return c;
}

bool defaultOpenUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

bool defaultStartDetached(const QString &program, const QStringList &args, const QString &workDir)
{
    return QProcess::startDetached(program, args, workDir);
}

} // namespace

namespace hooks {

std::function<int(const QString &, const QString &, unsigned)> msgBox = defaultMsgBox;
std::function<int(const QString &)> showMsg = defaultShowMsg;
std::function<QString(const QString &, const QString &, const QString &, const QString &,
                      const QString &, unsigned)>
    openFileName = defaultOpenFileName;
std::function<QString(const QString &, const QString &, const QString &, const QString &,
                      const QString &, unsigned)>
    saveFileName = defaultSaveFileName;
std::function<QStringList(const QString &, const QString &, const QString &, unsigned)> openFileNames =
    defaultOpenFileNames;
std::function<std::optional<QColor>(const QColor &)> chooseColour = defaultChooseColour;
std::function<bool(const QUrl &)> openUrl = defaultOpenUrl;
std::function<bool(const QString &, const QStringList &, const QString &)> startDetached =
    defaultStartDetached;

void restoreDefaults()
{
    msgBox = defaultMsgBox;
    showMsg = defaultShowMsg;
    openFileName = defaultOpenFileName;
    saveFileName = defaultSaveFileName;
    openFileNames = defaultOpenFileNames;
    chooseColour = defaultChooseColour;
    openUrl = defaultOpenUrl;
    startDetached = defaultStartDetached;
}

} // namespace hooks

int MsgBox(const QString &text, const QString &caption, unsigned flags)
{
    return hooks::msgBox ? hooks::msgBox(text, caption, flags) : IDCANCEL;
}

int ShowMsg(const QString &text)
{
    return hooks::showMsg ? hooks::showMsg(text) : IDOK;
}

QString WideFmt(const QString &pattern, const QVariantList &args)
{
    QString out;
    out.reserve(pattern.size() + 16);
    int next = 0;
    const qsizetype n = pattern.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = pattern.at(i);
        if (c != QLatin1Char('%')) {
            out += c;
            continue;
        }
        const qsizetype start = i;
        qsizetype j = i + 1;
        if (j < n && pattern.at(j) == QLatin1Char('%')) {
            out += QLatin1Char('%');
            i = j;
            continue;
        }
        bool left = false, zero = false, plus = false, space = false;
        for (; j < n; ++j) {
            const QChar f = pattern.at(j);
            if (f == QLatin1Char('-')) left = true;
            else if (f == QLatin1Char('0')) zero = true;
            else if (f == QLatin1Char('+')) plus = true;
            else if (f == QLatin1Char(' ')) space = true;
            else if (f != QLatin1Char('#')) break;
        }
        int width = 0;
        for (; j < n && pattern.at(j).isDigit() && width < 1000; ++j)
            width = width * 10 + pattern.at(j).digitValue();
        int precision = -1;
        if (j < n && pattern.at(j) == QLatin1Char('.')) {
            precision = 0;
            for (++j; j < n && pattern.at(j).isDigit() && precision < 1000; ++j)
                precision = precision * 10 + pattern.at(j).digitValue();
        }
        while (j < n && (pattern.at(j) == QLatin1Char('l') || pattern.at(j) == QLatin1Char('h')))
            ++j;
        if (j >= n || !QStringLiteral("sdiuxXf").contains(pattern.at(j))) {
            out += pattern.mid(start, (j < n ? j + 1 : n) - start); // kept as written
            i = (j < n ? j : n - 1);
            continue;
        }
        const QChar conv = pattern.at(j);
        const QVariant arg = next < args.size() ? args.at(next) : QVariant();
        ++next;
        i = j;

        QString body;
        QString sign;
        bool numeric = true;
        if (conv == QLatin1Char('s')) {
            numeric = false;
            body = arg.toString();
            if (precision >= 0)
                body.truncate(precision);
        } else if (conv == QLatin1Char('d') || conv == QLatin1Char('i')) {
            const qlonglong v = arg.toLongLong();
            body = QString::number(v < 0 ? -static_cast<qulonglong>(v) : static_cast<qulonglong>(v));
            sign = v < 0 ? QStringLiteral("-") : plus ? QStringLiteral("+") : space ? QStringLiteral(" ") : QString();
        } else if (conv == QLatin1Char('u')) {
            body = QString::number(arg.toULongLong());
        } else if (conv == QLatin1Char('x') || conv == QLatin1Char('X')) {
            body = QString::number(arg.toULongLong(), 16);
            if (conv == QLatin1Char('X'))
                body = body.toUpper();
        } else { // 'f'
            const double v = arg.toDouble();
            body = QString::number(std::abs(v), 'f', precision < 0 ? 6 : precision);
            sign = std::signbit(v) ? QStringLiteral("-") : plus ? QStringLiteral("+") : space ? QStringLiteral(" ") : QString();
        }
        if (numeric && conv != QLatin1Char('f') && precision >= 0 && body.size() < precision)
            body = QString(precision - body.size(), QLatin1Char('0')) + body;
        const qsizetype len = sign.size() + body.size();
        if (len >= width) {
            out += sign + body;
        } else if (left) {
            out += sign + body + QString(width - len, QLatin1Char(' '));
        } else if (zero && numeric) {
            out += sign + QString(width - len, QLatin1Char('0')) + body;
        } else {
            out += QString(width - len, QLatin1Char(' ')) + sign + body;
        }
    }
    return out;
}

void SetChildControlsEnabled(QWidget *container, bool enabled)
{
    if (!container)
        return;
    const auto children = container->findChildren<QWidget *>();
    for (QWidget *w : children)
        w->setEnabled(enabled);
}

} // namespace sl
