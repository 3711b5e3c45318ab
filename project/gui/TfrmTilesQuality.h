#pragma once
// The per-face quality dialog: the JPEG quality of the tiles for all faces and, where a face's
// box is checked, for that face alone. The rows follow sl::TilesQuality; OK writes the project.
#include <QDialog>
#include <QList>

#include "project/ProjectDocument.h"
#include "project/TilesQuality.h"

class QCheckBox;
class QLineEdit;
class QSlider;

namespace Ui {
class TfrmTilesQuality;
}

class TfrmTilesQuality : public QDialog
{
    Q_OBJECT

public:
    // Builds one row per face (`faceNames` in face order) and loads the project's qualities.
    TfrmTilesQuality(sl::ProjectList &project, const sl::BindingDefaults &defaults, const QStringList &faceNames,
                     QWidget *parent = nullptr);
    ~TfrmTilesQuality() override;

    QList<QLineEdit *> FaceEdits;
    QList<QCheckBox *> FaceChecks;
    QList<QSlider *> FaceBars;

    void btOkClick();

private:
    void showModel();

    Ui::TfrmTilesQuality *ui;
    sl::ProjectList &m_project;
    const sl::BindingDefaults &m_defaults;
    sl::TilesQuality m_model;
};
