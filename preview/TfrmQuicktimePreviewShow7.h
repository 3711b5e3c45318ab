#pragma once
// The movie viewer: shows a finished movie in our own window, loaded at the first tick; the
// navigation strip, the version line and the poll are the base's. Ok closes it.
#include "preview/TfrmQuicktimePreview7.h"

class TfrmQuicktimePreviewShow7 : public TfrmQuicktimePreview7
{
    Q_OBJECT

public:
    explicit TfrmQuicktimePreviewShow7(sl::EditedProject *project, QWidget *parent = nullptr);

    void SetMovieFile(const QString &fileName);
    // The base's poll, then loading the movie once. A failure while loading slows the poll to
    // every 10 s for the rest of the window's life.
    void TimerTimer() override;

private:
    QString MovieFile;
    bool MovieLoaded = false;
};
