#pragma once
// The tour-link editor: edits one hotspot's link to another movie (address, target and the view
// it opens in), its title and the local copy of that movie, which it previews so that the view
// can be picked live. This is the QuickTime 6 window; TfrmQuicktimePreviewNext7 is the same on
// the movie object.
#include "preview/TfrmQuicktimePreview.h"

namespace Ui {
class TfrmQuicktimePreviewNext;
}

class TfrmQuicktimePreviewNext : public TfrmQuicktimePreview
{
    Q_OBJECT

public:
    explicit TfrmQuicktimePreviewNext(sl::EditedProject *project, Family family = Family::QuickTime6,
                                      QWidget *parent = nullptr);
    ~TfrmQuicktimePreviewNext() override;

    // Fills the editor from hotspot N's link, local file and title. The movie previewed is the
    // local file, else the link's address when it names an existing file (looked for in the
    // output's folder, then in the base path); the link's view is applied once it shows.
    void LoadHotspot(int hotspot);
    int hotspotNumber() const { return HotspotNumber; }
    void TimerTimer() override;
    // The view of the three view edits (those that hold an angle) into the view.
    void ApplyStartView();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString linkFolder() const;
    void btLocalFileClick();
    void edLocalFileExit();
    void btOpenUrlClick();
    void edPanTiltFovChange();
    void btGrabSpotClick();
    void btOkClick();

    Ui::TfrmQuicktimePreviewNext *next;
    int HotspotNumber = 0;
    QString LocalFile;
    bool MovieLoaded = false;
    bool StartViewPending = false;
};
