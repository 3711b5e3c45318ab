#pragma once
// The base of the QuickTime 7 family: the preview window base on the view's movie object, with
// the controller bar below the movie and a lowered bevel around the view.
#include "preview/TfrmQuicktimePreview.h"

class TfrmQuicktimePreview7 : public TfrmQuicktimePreview
{
    Q_OBJECT

public:
    explicit TfrmQuicktimePreview7(sl::EditedProject *project, QWidget *parent = nullptr)
        : TfrmQuicktimePreview(project, Family::QuickTime7, parent)
    {
    }
};
