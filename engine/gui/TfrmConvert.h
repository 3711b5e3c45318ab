#pragma once
// The convert dialog: has the engine turn an equirectangular project's image into six cube
// faces, or a cube-face project's faces into one equirectangular image, and switches the
// project to the new type on success. The engine runs through the window that shows the
// project; the dialog cannot be closed while it runs, and its Stop button ends the run.
#include <QDialog>

#include "engine/ConvertCommand.h"

namespace sl {
class EditedProject;
}

namespace Ui {
class TfrmConvert;
}

class TfrmConvert : public QDialog
{
    Q_OBJECT

public:
    // Opens in the direction of the project's type (cube faces for an equirectangular project,
    // equirectangular otherwise).
    explicit TfrmConvert(sl::EditedProject &project, QWidget *parent = nullptr);
    ~TfrmConvert() override;

    sl::convert::Direction direction() const { return m_direction; }
    // True while Ok is at work (its questions and the engine run).
    bool isRunning() const { return m_running; }
    Ui::TfrmConvert *ui;

public slots:
    // Esc, Cancel and the close box: nothing while a run is going on.
    void reject() override;

private:
    void FormCreate();
    void btOkClick();
    void edTilesizeExit();
    void btFilenameClick();
    void btStopClick();

    sl::EditedProject &m_project;
    sl::convert::Direction m_direction = sl::convert::Direction::ToCubeFaces;
    bool m_running = false;
};
