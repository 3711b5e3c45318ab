#pragma once
// The tour-link editor of the QuickTime 7 family: it reads and moves the view through the
// movie object, and applies the link's view at its first tick after loading.
#include "preview/TfrmQuicktimePreviewNext.h"

class TfrmQuicktimePreviewNext7 : public TfrmQuicktimePreviewNext
{
    Q_OBJECT

public:
    explicit TfrmQuicktimePreviewNext7(sl::EditedProject *project, QWidget *parent = nullptr)
        : TfrmQuicktimePreviewNext(project, Family::QuickTime7, parent)
    {
    }
};
