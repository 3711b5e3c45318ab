#pragma once
// The view-limit grabber: shows the project's movie, the current view and the limits it implies,
// transfers any of them into the nine view-limit edits with a click, and on Ok writes those
// edits into the project. The start view of the project is applied once the movie is ready.
// This is the QuickTime 6 window; TfrmQuicktimePreviewSpot7 is the same on the movie object.
#include "preview/TfrmQuicktimePreview.h"

class QLabel;

namespace Ui {
class TfrmQuicktimePreviewSpot;
}

class TfrmQuicktimePreviewSpot : public TfrmQuicktimePreview
{
    Q_OBJECT

public:
    // Fills the nine edits from the project; the movie is the project's output file until
    // SetMovieFile names another. The poll starts when the window is shown.
    explicit TfrmQuicktimePreviewSpot(sl::EditedProject *project, Family family = Family::QuickTime6,
                                      QWidget *parent = nullptr);
    ~TfrmQuicktimePreviewSpot() override;

    void SetMovieFile(const QString &fileName);
    void TimerTimer() override;

    // The nine edits from the project (binding defaults for missing keys).
    void LoadViewLimits();
    // The nine edits into the project, as typed; then the project is shown again in the window.
    void SaveViewLimits();
    // The project's start view (the three start edits that hold an angle) into the view.
    void ApplyStartView();

protected:
    void FormShow() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The current value behind a limit label or a start edit, and the project edit it goes to.
    struct Transfer
    {
        QObject *from;
        QLineEdit *to;
        double value;
    };
    QList<Transfer> transfers() const;
    void OnPanTiltFoVDblClick(QObject *sender);
    void edPanTiltFovExit();
    void btGrabSpotClick();
    void btOkClick();

    Ui::TfrmQuicktimePreviewSpot *spot;
    QList<QLabel *> m_limitLabels;
    bool MovieLoaded = false;
    bool StartViewPending = true;
    QString MovieFile;
};
