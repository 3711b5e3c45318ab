// The main window's hotspot handlers: each forwards to the hotspot editor's panel.
#include "app/TfrmMainForm.h"
#include "ui_TfrmMainForm.h"

#include <QShortcut>

#include "editors/gui/HotspotPanel.h"

void TfrmMainForm::connectHotspotHandlers()
{
    m_hotspots = new sl::hotspot::HotspotPanel(*this, *ui, this);
    setExitHandler(ui->edHSName, [this] { StoreHotspotProperties(); });
    setExitHandler(ui->edHSUrl, [this] { StoreHotspotProperties(); });
    connect(ui->spNextUrl, &QToolButton::clicked, this, &TfrmMainForm::spNextUrlClick);
    connect(ui->miCreatenewHotspotfiles, &QAction::triggered, this, &TfrmMainForm::miCreatenewHotspotfilesClick);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { FormKeyPress(Qt::Key_Escape); });
}

void TfrmMainForm::InitHotspotEditing()
{
    m_hotspots->InitHotspotEditing();
}

void TfrmMainForm::ResetHotspotEditing()
{
    m_hotspots->ResetHotspotEditing();
    m_hotspots->clearTileList();
}

bool TfrmMainForm::SaveHotspotLayer()
{
    return m_hotspots->SaveHotspotLayer();
}

bool TfrmMainForm::HotspotsModified() const
{
    return m_hotspots->HotspotsModified();
}

void TfrmMainForm::StoreHotspotProperties()
{
    m_hotspots->StoreHotspotProperties();
}

void TfrmMainForm::ShowHotspotProperties()
{
    m_hotspots->ShowHotspotProperties();
}

void TfrmMainForm::miCreatenewHotspotfilesClick()
{
    m_hotspots->miCreatenewHotspotfilesClick();
}

void TfrmMainForm::spNextUrlClick()
{
    m_hotspots->spNextUrlClick();
}

void TfrmMainForm::FormKeyPress(int key)
{
    m_hotspots->FormKeyPress(key);
}
