// The main window's preview commands: the version check, the view-limit grabber, the tour-link
// editor and our own movie viewer.
#include "app/TfrmMainForm.h"
#include "ui_TfrmMainForm.h"

#include <QFileInfo>
#include <QPushButton>
#include <QToolButton>
#include <functional>
#include <memory>

#include "engine/CreateCommands.h"
#include "engine/EngineCommand.h"
#include "engine/OpenOutput.h"
#include "platform/gui/Hooks.h"
#include "preview/TfrmQuicktimePreviewNext7.h"
#include "preview/TfrmQuicktimePreviewShow7.h"
#include "preview/TfrmQuicktimePreviewSpot7.h"
#include "preview/model/QuickTimeCheck.h"
#include "project/Values.h"

void TfrmMainForm::connectPreviewHandlers()
{
    connect(ui->btSpotInQT, &QPushButton::clicked, this, &TfrmMainForm::btSpotInQTClick);
    connect(ui->spNextPanorama, &QToolButton::clicked, this, &TfrmMainForm::spNextPanoramaClick);
}

bool TfrmMainForm::CheckQuickTimeVersion(int minMajor)
{
    try {
        return sl::preview::checkQuickTimeVersion(minMajor, [](const sl::preview::ComponentVersion &found) {
            sl::ShowMsg(sl::WideFmt(tr("QuickTime Version %d.%d.%d found. You need at least QuickTime 6.5 to use this feature!"),
                                    {found.major, found.minor, found.fix}));
        });
    } catch (const std::exception &e) {
        sl::ShowMsg(previewErrorText(e));
        return false;
    }
}

namespace {

// Creates the family's preview window, sizes it for the project's movie, lets `prepare` fill it
// and shows it modally; what goes wrong is shown with its likely cause.
template<class Window, class Window7>
void openPreview(TfrmMainForm *main, bool family7, const std::function<void(Window &)> &prepare)
{
    try {
        const std::unique_ptr<Window> window(family7 ? new Window7(main, main)
                                                     : new Window(main, Window::Family::QuickTime6, main));
        window->SetMovieSize(sl::VarToIntDef0(main->GetValue(QStringLiteral("movie.width"))),
                             sl::VarToIntDef0(main->GetValue(QStringLiteral("movie.height"))));
        prepare(*window);
        window->exec();
    } catch (const std::exception &e) {
        sl::ShowMsg(previewErrorText(e) + QStringLiteral("\n\n")
                    + TfrmMainForm::tr("Possible cause: You need QuickTime 6.5 or higher to use this feature!"));
    }
}

} // namespace

void TfrmMainForm::btSpotInQTClick()
{
    if (!CheckQuickTimeVersion(0))
        return;
    const QString output = ui->edOutputfile->text();
    if (output.isEmpty()) {
        sl::ShowMsg(tr("No output file selected!"));
        return;
    }
    const QString movie = sl::open::movieFileName(output, basePath());
    if (!QFileInfo::exists(movie)) {
        const QString name = sl::create::outputFileName(sl::create::OutputKind::Movie, output);
        const QString question = sl::WideFmt(tr("The QuickTime Moviefile '%s' does not exist! "), {name})
                                 + QLatin1Char('\n') + tr("Should I create it now?");
        if (sl::MsgBox(question, tr("QuickTime Movie"), sl::MB_YESNO | sl::MB_ICONQUESTION) != sl::IDYES)
            return;
        CreateOutput(sl::FormatQuickTime); // the preview opens whatever the run gave
    }
    openPreview<TfrmQuicktimePreviewSpot, TfrmQuicktimePreviewSpot7>(
        this, CheckQuickTimeVersion(7), [&movie](TfrmQuicktimePreviewSpot &w) { w.SetMovieFile(movie); });
}

void TfrmMainForm::spNextPanoramaClick()
{
    ControlsToProject();
    StoreHotspotProperties();
    const int hotspot = ui->cbHotspot->currentIndex();
    if (!CheckQuickTimeVersion(0) || hotspot < 1)
        return;
    openPreview<TfrmQuicktimePreviewNext, TfrmQuicktimePreviewNext7>(
        this, CheckQuickTimeVersion(7), [hotspot](TfrmQuicktimePreviewNext &w) { w.LoadHotspot(hotspot); });
}

void TfrmMainForm::ShowMoviePreview(const QString &fileName, int width, int height)
{
    TfrmQuicktimePreviewShow7 window(this, this);
    window.SetMovieFile(fileName);
    window.SetMovieSize(width, height);
    window.exec();
}
