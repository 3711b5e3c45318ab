// The main window's project: access, the transfer to and from the controls, the raw-text tab,
// the project files and the recent lists.
#include "app/TfrmMainForm.h"
#include "platform/gui/ControlState.h"
#include "ui_TfrmMainForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSlider>
#include <QTabWidget>
#include <QToolTip>

#include <algorithm>

#include "editors/gui/HotspotPanel.h"
#include "platform/gui/Hooks.h"
#include "project/FilePickers.h"
#include "platform/process/EngineRunner.h"
#include "platform/settings/SettingsStore.h"
#include "project/ProjectFile.h"
#include "project/RecentLists.h"
#include "project/Values.h"

using sl::ownEnabled;

namespace {

const char *const kMetaVersion = SKYLOOM_VERSION;

QString projectFilter(bool withTemplates)
{
    QString pairs = TfrmMainForm::tr("Skyloom Project (*.slp)") + QStringLiteral("|*.slp");
    if (withTemplates)
        pairs += QStringLiteral("|") + TfrmMainForm::tr("Skyloom Template (*.slt)") + QStringLiteral("|*.slt");
    return sl::qtFileFilter(pairs);
}

QString templateFilter()
{
    return sl::qtFileFilter(TfrmMainForm::tr("Skyloom Template (*.slt)") + QStringLiteral("|*.slt"));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Project access

QString TfrmMainForm::GetValue(const QString &key, const QString &def) const
{
    return sl::getValue(ProjectList, BindingDefaults, key, def);
}

void TfrmMainForm::SetValue(const QString &key, const QString &value, const QString &def)
{
    sl::setValue(ProjectList, BindingDefaults, key, value, def);
}

void TfrmMainForm::ResetValue(const QString &key)
{
    sl::resetValue(ProjectList, BindingDefaults, key);
}

void TfrmMainForm::RemoveKey(const QString &key)
{
    ProjectList.removeKey(key);
}

// ---------------------------------------------------------------------------------------------
// Transfer

void TfrmMainForm::AddBinding(const QString &key, QWidget *control, const QString &def)
{
    BindingDefaults.add(key, def);
    BoundControls.append(control);
}

void TfrmMainForm::ProjectToControls()
{
    if (ProjectToControlsActive)
        return;
    ProjectToControlsActive = true;
    FillingControls = true;
    const auto clearFlags = qScopeGuard([this] {
        ProjectToControlsActive = false;
        FillingControls = false;
    });

    MigrateOldKeys();

    const auto &rows = BindingDefaults.rows();
    for (int i = 0; i < BoundControls.size(); ++i) {
        QWidget *w = BoundControls.at(i);
        if (!w)
            continue;
        const QString &key = rows.at(i).first;
        const QString value = GetValue(key, rows.at(i).second);
        if (auto *e = qobject_cast<QLineEdit *>(w)) {
            if (e->text() != value)
                e->setText(value);
        } else if (auto *cb = qobject_cast<QCheckBox *>(w)) {
            cb->setChecked(sl::VarToIntDef0(value) != 0);
        } else if (auto *c = qobject_cast<QComboBox *>(w)) {
            if (c->isEditable()) {
                if (c->currentText() != value)
                    c->setEditText(value);
            } else {
                const int n = sl::VarToIntDef0(value);
                c->setCurrentIndex(n >= 0 && n < c->count() ? n : -1);
            }
        } else if (auto *s = qobject_cast<QSlider *>(w)) {
            s->setValue(sl::VarToIntDef0(value));
        }
    }

    SpecialKeysToControls();
}

void TfrmMainForm::ControlsToProject()
{
    if (FillingControls)
        return;
    const auto &rows = BindingDefaults.rows();
    for (int i = 0; i < BoundControls.size(); ++i) {
        QWidget *w = BoundControls.at(i);
        if (!w)
            continue;
        const QString &key = rows.at(i).first;
        if (auto *s = qobject_cast<QSlider *>(w)) {
            SetValue(key, QString::number(s->value()), QString());
            continue;
        }
        if (!ownEnabled(w))
            continue;
        if (auto *e = qobject_cast<QLineEdit *>(w)) {
            if (!sl::showsCutValue(e, GetValue(key, rows.at(i).second)))
                SetValue(key, e->text(), QString());
        } else if (auto *cb = qobject_cast<QCheckBox *>(w)) {
            SetValue(key, cb->isChecked() ? QStringLiteral("1") : QStringLiteral("0"), QString());
        } else if (auto *c = qobject_cast<QComboBox *>(w)) {
            if (c->isEditable())
                SetValue(key, c->currentText(), QString());
            else if (c->currentIndex() >= 0)
                SetValue(key, QString::number(c->currentIndex()), QString());
        }
    }
    ControlsToSpecialKeys();
    ProjectToMemo();
}

void TfrmMainForm::edExit()
{
    ControlsToProject();
    ProjectToControls();
}

// ---------------------------------------------------------------------------------------------
// Raw-text tab

void TfrmMainForm::ProjectToMemo()
{
    // The raw text is filled when its tab is shown: a huge project opens without laying it out.
    m_memoStale = ui->pc->currentWidget() != ui->tsConfigfile;
    if (m_memoStale)
        return;
    // The editor lays out a line whole: one of megabytes would hold the window for many seconds.
    // Such a project is not shown here and the memo, left empty, never replaces it.
    qsizetype longest = 0;
    for (const QString &line : ProjectList.lines())
        longest = std::max(longest, line.size());
    const bool tooLong = longest > kLongestShownLine;
    ui->mConfigFile->setReadOnly(tooLong);
    if (tooLong) {
        m_memoStale = true;
        ui->mConfigFile->clear();
        ui->mConfigFile->setPlaceholderText(
            tr("This project holds a line of %1 characters, too long to be shown here. The project is kept as it is; "
               "edit such a file in a text editor.").arg(longest));
        return;
    }
    ui->mConfigFile->setPlaceholderText(QString());
    const QString text = ProjectList.lines().join(QLatin1Char('\n'));
    if (ui->mConfigFile->toPlainText() != text)
        ui->mConfigFile->setPlainText(text);
}

void TfrmMainForm::MemoToProject()
{
    if (m_memoStale)
        return; // the memo holds an older text, which must never replace the project
    const QString text = ui->mConfigFile->toPlainText();
    QStringList lines = text.split(QLatin1Char('\n'));
    // The memo shows no line after the last line break; an empty memo is an empty project.
    if (text.isEmpty())
        lines.clear();
    ProjectList.setLines(lines);
    // The hotspot fields show the text's title and link, so that no later store puts back theirs.
    ShowHotspotProperties();
}

void TfrmMainForm::tsConfigfileShow()
{
    ControlsToProject();
    ProjectToMemo();
}

void TfrmMainForm::mConfigFileExit()
{
    if (ProjectFileName.isEmpty())
        return;
    MemoToProject();
    ProjectToControls();
}

// ---------------------------------------------------------------------------------------------
// Files

bool TfrmMainForm::isModified() const
{
    return m_neverSaved || !ProjectList.hasFullText(ProjectSnapshot);
}

bool TfrmMainForm::setBasePath(const QString &folder)
{
    if (!folder.isEmpty() && !QDir::setCurrent(folder))
        return false;
    ui->edBasePath->setText(folder);
    return true;
}

void TfrmMainForm::UpdateMetaVersion()
{
    sl::updateMetaVersion(ProjectList, QString::fromLatin1(kMetaVersion));
}

bool TfrmMainForm::OpenProject(const QString &fileName)
{
    const QFileInfo fi(fileName);
    const QString folder = QDir::cleanPath(fi.absolutePath());
    QStringList lines;
    const bool exists = fi.exists();
    QString error;
    // A failed open changes nothing: read first, then take the file over.
    if (exists && !sl::readProjectFile(fileName, lines, &error)) {
        reportFileError(tr("The project file cannot be opened:") + QStringLiteral("\n") + error);
        return false;
    }
    const QString oldCwd = QDir::currentPath();
    if (!QDir::setCurrent(folder)) {
        reportFileError(tr("The folder \"%1\" cannot be entered.").arg(folder));
        return false;
    }
    QDir::setCurrent(oldCwd);

    ProjectFileName = fileName;
    setBasePath(folder);
    SetProjectCaption(fileName);
    FillingControls = true;
    if (exists) {
        ProjectList.setLines(lines);
        UpdateMetaVersion();
        ProjectToMemo();
        ProjectSnapshot = ProjectList.fullText();
        m_neverSaved = false;
        AddRecentFile(fileName, false);
    } else {
        NewProjectFile(fileName);
    }
    ResetHotspotEditing();
    EnableProjectUI();
    ProjectToControls();
    ShowHotspotProperties();
    ControlsToProject();
    UpdateButtons();
    SpecialKeysToControls();
    return true;
}

void TfrmMainForm::NewProjectFile(const QString &fileName)
{
    ProjectFileName = fileName;
    ProjectList.setLines(sl::newProjectLines(programDir()));
    m_neverSaved = true;
    ProjectToMemo();
    SetProjectCaption(fileName + QStringLiteral(" *"));
}

void TfrmMainForm::EnableProjectUI()
{
    for (QAction *a : {ui->miSave, ui->spSaveProject, ui->spCreateAndOpen, ui->miSaveAs, ui->miSaveasDefault,
                       ui->miSaveastemplate})
        a->setEnabled(true);
    ui->miSkyloom->menuAction()->setEnabled(true);
    ui->miSkyloom->setEnabled(true);
    ui->miApplyTemplate->menuAction()->setEnabled(true);
    ui->miApplyTemplate->setEnabled(true);
    for (QWidget *page : {ui->tsOptions, ui->tsQTOptions, ui->tsQTUserData, ui->tsHotSpotEdit, ui->tsConfigfile,
                          ui->tsSprites, ui->tsAddSprites, ui->tsOutputHelp, ui->tsFlash, ui->tsFlash2})
        setPageVisible(page, true);
    if (ui->pc->currentIndex() != 1)
        ui->pc->setCurrentIndex(1); // runs pcChange
    else
        pcChange(1);
}

bool TfrmMainForm::SaveProject(const QString &target)
{
    if (ui->pc->currentWidget() == ui->tsConfigfile)
        MemoToProject();
    else
        ControlsToProject();
    StoreHotspotProperties();

    QString error;
    if (!target.isEmpty()) {
        if (!sl::writeProjectFile(target, ProjectList.lines(), &error)) {
            reportFileError(tr("The project file cannot be saved:") + QStringLiteral("\n") + error);
            return false;
        }
        return true;
    }
    if (ProjectFileName.isEmpty())
        return true;
    if (!sl::writeProjectFile(ProjectFileName, ProjectList.lines(), &error)) {
        reportFileError(tr("The project file cannot be saved:") + QStringLiteral("\n") + error);
        return false;
    }
    AddRecentFile(ProjectFileName, false);
    ProjectSnapshot = ProjectList.fullText();
    m_neverSaved = false;
    SetProjectCaption(ProjectFileName);
    return true;
}

bool TfrmMainForm::FormCloseQuery()
{
    if (!ProjectFileName.isEmpty()) {
        if (!hotspotEditor().AskSaveHotspots(sl::MB_YESNOCANCEL))
            return false;
        commitMemoIfActive();
        ControlsToProject();
        if (isModified()) {
            const int r = sl::MsgBox(tr("The project file has been modified! Save changes?"), tr("Save changes"),
                                     sl::MB_YESNOCANCEL | sl::MB_ICONQUESTION);
            if (r == sl::IDCANCEL)
                return false;
            if (r == sl::IDYES && !SaveProject())
                return false; // a failed save keeps the window open
        }
    }
    if (!m_store->writeBool(QStringLiteral("settings"), QStringLiteral("openaftercreate"), ui->cbOpenAfter->isChecked())
        || !m_store->writeBool(QStringLiteral("settings"), QStringLiteral("usepano12"), ui->miUsepano12dll->isChecked()))
        reportSettingsError();
    return true;
}

void TfrmMainForm::miSaveClick()
{
    commitFocusedControl();
    SaveProject();
}

// The project-file save dialog; an empty name when the user cancels or the folder is gone.
QString TfrmMainForm::chooseProjectFile(const QString &title, const QString &folder, const QString &name)
{
    const QString chosen = sl::hooks::saveFileName(title, folder, name, projectFilter(false), QStringLiteral("slp"),
                                                   sl::OFN_OVERWRITEPROMPT | sl::OFN_PATHMUSTEXIST);
    if (chosen.isEmpty())
        return QString();
    const QString chosenFolder = QFileInfo(chosen).absolutePath();
    if (!QDir(chosenFolder).exists()) {
        reportFileError(tr("The folder \"%1\" cannot be entered.").arg(chosenFolder));
        return QString();
    }
    return chosen;
}

void TfrmMainForm::miSaveAsClick()
{
    commitFocusedControl();
    const QFileInfo current(ProjectFileName);
    const QString chosen = chooseProjectFile(tr("Save project as"), current.absolutePath(), current.fileName());
    if (chosen.isEmpty())
        return;
    const QString oldName = ProjectFileName;
    const QString oldBase = basePath();
    ProjectFileName = chosen;
    setBasePath(QFileInfo(chosen).absolutePath());
    if (!SaveProject()) {
        ProjectFileName = oldName;
        setBasePath(oldBase);
    }
}

void TfrmMainForm::miNewProjectClick()
{
    commitFocusedControl();
    if (!FormCloseQuery())
        return;
    const QString start = basePath().isEmpty() ? QDir::currentPath() : basePath();
    const QString chosen = chooseProjectFile(tr("Create an new project file"), start, tr("NewProject.slp"));
    if (chosen.isEmpty())
        return;
    NewProjectFile(chosen);
    for (const auto &kv : sl::derivedOutputNames(chosen))
        SetValue(kv.first, kv.second, QString());
    ProjectToControls();
    ShowHotspotProperties();
    setBasePath(QFileInfo(chosen).absolutePath());
    EnableProjectUI();
    ResetHotspotEditing();
    UpdateButtons();
}

void TfrmMainForm::miOpenProjectClick()
{
    commitFocusedControl();
    if (!FormCloseQuery())
        return;
    const QString start = basePath().isEmpty() ? QDir::currentPath() : basePath();
    const QString chosen = sl::hooks::openFileName(QString(), start, QString(), projectFilter(true),
                                                   QStringLiteral("slp"), sl::OFN_PATHMUSTEXIST);
    if (chosen.isEmpty())
        return;
    activateWindow();
    OpenProject(chosen);
}

void TfrmMainForm::miSaveasDefaultClick()
{
    commitFocusedControl();
    if (sl::MsgBox(tr("Do you really want to override your default settings?"), tr("Default settings"),
                   sl::MB_YESNO | sl::MB_ICONQUESTION) == sl::IDNO)
        return;
    commitMemoIfActive();
    ControlsToProject();
    StoreHotspotProperties();
    QString error;
    if (!sl::writeProjectFile(programDir() + QStringLiteral("/default.slp"), ProjectList.lines(), &error))
        reportFileError(tr("The default settings cannot be saved:") + QStringLiteral("\n") + error);
}

void TfrmMainForm::miResetDefaultClick()
{
    if (sl::MsgBox(tr("Do you really want to reset your default settings?"), tr("Default settings"),
                   sl::MB_YESNO | sl::MB_ICONQUESTION) == sl::IDNO)
        return;
    QFile::remove(programDir() + QStringLiteral("/default.slp"));
}

void TfrmMainForm::miApplyTemplateClick()
{
    commitFocusedControl();
    const QString chosen = sl::hooks::openFileName(QString(), programDir() + QStringLiteral("/templates"),
                                                   QString(), templateFilter(), QStringLiteral("slp"),
                                                   sl::OFN_PATHMUSTEXIST);
    if (!chosen.isEmpty())
        ApplyTemplate(chosen);
}

void TfrmMainForm::ApplyTemplate(const QString &fileName)
{
    commitMemoIfActive();
    QString error;
    if (!sl::applyTemplateFile(fileName, [this](const QString &k, const QString &v) { SetValue(k, v, QString()); },
                               &error)) {
        if (!error.isEmpty())
            reportFileError(tr("The template cannot be read:") + QStringLiteral("\n") + error);
        return;
    }
    AddRecentFile(fileName, true);
    ProjectToMemo();
    ProjectToControls();
    ShowHotspotProperties();
}

void TfrmMainForm::miSaveastemplateClick()
{
    commitFocusedControl();
    const QString chosen = sl::hooks::saveFileName(QString(), programDir() + QStringLiteral("/templates"),
                                                   QStringLiteral("Template.slt"), templateFilter(),
                                                   QStringLiteral("slt"),
                                                   sl::OFN_OVERWRITEPROMPT | sl::OFN_PATHMUSTEXIST);
    if (chosen.isEmpty())
        return;
    commitMemoIfActive();
    ControlsToProject();
    StoreHotspotProperties();
    QString error;
    if (!sl::writeProjectFile(chosen, ProjectList.lines(), &error)) {
        reportFileError(tr("The template cannot be saved:") + QStringLiteral("\n") + error);
        return;
    }
    AddRecentFile(chosen, true);
    ShowCreateShortcut(chosen);
}

// ---------------------------------------------------------------------------------------------
// Recent lists

void TfrmMainForm::AddRecentFile(const QString &fileName, bool isTemplate)
{
    if (!sl::RecentLists(*m_store).addRecentFile(fileName,
                                                 isTemplate ? sl::RecentLists::Templates : sl::RecentLists::Projects))
        reportSettingsError();
    BuildRecentMenus();
}

void TfrmMainForm::BuildRecentMenus()
{
    sl::RecentLists recent(*m_store);
    ui->miRecentProjects->clear();
    ui->lbRecentFiles->clear();
    m_recentListSlots.clear();
    for (const auto &e : recent.entries(sl::RecentLists::Projects)) {
        const int slot = e.slot;
        QAction *a = ui->miRecentProjects->addAction(e.path);
        a->setData(slot);
        connect(a, &QAction::triggered, this, [this, slot] { RecentProjectClick(slot); });
        ui->lbRecentFiles->addItem(e.fileName);
        m_recentListSlots.append(slot);
    }
    ui->miRecentProjects->setEnabled(!ui->miRecentProjects->isEmpty());
    ui->miRecentProjects->menuAction()->setEnabled(!ui->miRecentProjects->isEmpty());

    ui->miApplyTemplate->clear();
    const auto templates = recent.entries(sl::RecentLists::Templates);
    for (const auto &e : templates) {
        const int slot = e.slot;
        QAction *a = ui->miApplyTemplate->addAction(e.path);
        a->setData(slot);
        connect(a, &QAction::triggered, this, [this, slot] { RecentTemplateClick(slot); });
    }
    if (!templates.isEmpty())
        ui->miApplyTemplate->addSeparator();
    QAction *file = ui->miApplyTemplate->addAction(tr("File..."));
    connect(file, &QAction::triggered, this, &TfrmMainForm::miApplyTemplateClick);
}

void TfrmMainForm::RecentProjectClick(int slot)
{
    commitFocusedControl();
    sl::RecentLists(*m_store).openSlot(sl::RecentLists::Projects, slot, [this] { return FormCloseQuery(); },
                                       [this](const QString &path) { OpenProject(path); });
}

void TfrmMainForm::RecentTemplateClick(int slot)
{
    commitFocusedControl();
    sl::RecentLists(*m_store).openSlot(sl::RecentLists::Templates, slot, nullptr,
                                       [this](const QString &path) { ApplyTemplate(path); });
}

void TfrmMainForm::lbRecentFilesClick()
{
    const int row = ui->lbRecentFiles->currentRow();
    if (row < 0 || row >= m_recentListSlots.size())
        return;
    QToolTip::hideText();
    const QString path = sl::RecentLists(*m_store).path(sl::RecentLists::Projects, m_recentListSlots.at(row));
    ui->lbRecentFiles->setToolTip(tr("Double-click to open \"%s\" project").replace(QStringLiteral("%s"), path));
}

void TfrmMainForm::lbRecentFilesDblClick()
{
    const int row = ui->lbRecentFiles->currentRow();
    if (row >= 0 && row < m_recentListSlots.size())
        RecentProjectClick(m_recentListSlots.at(row));
}

void TfrmMainForm::btClearRecentClick()
{
    if (sl::MsgBox(tr("Do you really want to remove all files from the recent file list?"), tr("Clear recent files"),
                   sl::MB_YESNO | sl::MB_ICONQUESTION) != sl::IDYES)
        return;
    if (!sl::RecentLists(*m_store).clearProjects())
        reportSettingsError();
    BuildRecentMenus();
}
