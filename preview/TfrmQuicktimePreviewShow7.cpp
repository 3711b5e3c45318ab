#include "preview/TfrmQuicktimePreviewShow7.h"
#include "ui_TfrmQuicktimePreview.h"

TfrmQuicktimePreviewShow7::TfrmQuicktimePreviewShow7(sl::EditedProject *project, QWidget *parent)
    : TfrmQuicktimePreview7(project, parent)
{
    setWindowTitle(tr("Quicktime - Preview"));
    ui->Cancel->hide();
    connect(ui->btOk, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmQuicktimePreviewShow7::SetMovieFile(const QString &fileName)
{
    MovieFile = fileName;
}

void TfrmQuicktimePreviewShow7::TimerTimer()
{
    TfrmQuicktimePreview7::TimerTimer();
    if (MovieLoaded)
        return;
    try {
        MovieLoaded = true;
        loadMovie(MovieFile);
    } catch (const std::exception &) {
        setPollInterval(sl::preview::kSlowPollInterval);
    }
}
