#pragma once
// The view-limit grabber of the QuickTime 7 family: it reads and moves the view through the
// movie object, and applies the start view at its first tick.
#include "preview/TfrmQuicktimePreviewSpot.h"

class TfrmQuicktimePreviewSpot7 : public TfrmQuicktimePreviewSpot
{
    Q_OBJECT

public:
    explicit TfrmQuicktimePreviewSpot7(sl::EditedProject *project, QWidget *parent = nullptr)
        : TfrmQuicktimePreviewSpot(project, Family::QuickTime7, parent)
    {
    }
};
