#include "project/gui/TfrmTilesQuality.h"
#include "ui_TfrmTilesQuality.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyleOptionSlider>

#include "platform/gui/ControlState.h"

namespace {

// A track bar that can hide its slider and show only the groove and the ticks; the dynamic
// property "sliderVisible" tells which.
class TrackBar : public QSlider
{
public:
    using QSlider::QSlider;
    void setSliderVisible(bool visible)
    {
        setProperty("sliderVisible", visible);
        if (m_sliderVisible != visible) {
            m_sliderVisible = visible;
            update();
        }
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        if (m_sliderVisible) {
            QSlider::paintEvent(event);
            return;
        }
        QPainter painter(this);
        QStyleOptionSlider option;
        initStyleOption(&option);
        option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderTickmarks;
        style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
    }

private:
    bool m_sliderVisible = true;
};

// Leaving an edit: the reasons the rest of the program commits on.
class ExitFilter : public QObject
{
public:
    ExitFilter(QObject *parent, std::function<void(QObject *)> onExit)
        : QObject(parent)
        , m_onExit(std::move(onExit))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (sl::leavesControl(event))
            m_onExit(watched);
        return false;
    }

private:
    std::function<void(QObject *)> m_onExit;
};

} // namespace

TfrmTilesQuality::TfrmTilesQuality(sl::ProjectList &project, const sl::BindingDefaults &defaults,
                                   const QStringList &faceNames, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::TfrmTilesQuality)
    , m_project(project)
    , m_defaults(defaults)
{
    ui->setupUi(this);
    auto *exits = new ExitFilter(this, [this](QObject *edit) {
        const int face = int(FaceEdits.indexOf(static_cast<QLineEdit *>(edit)));
        m_model.faceEdited(face, FaceEdits.value(face)->text());
        showModel();
    });
    for (int i = 0; i < sl::TilesQuality::FaceCount; ++i) {
        const int row = ui->gQuality->rowCount();
        auto *label = new QLabel(faceNames.value(i) + QLatin1Char(':'), this);
        label->setObjectName(QStringLiteral("lbFace%1").arg(i));
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

        auto *check = new QCheckBox(this);
        check->setObjectName(QStringLiteral("cbFace%1").arg(i));
        check->setProperty("Tag", i);
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("edFace%1").arg(i));
        edit->setMaximumWidth(ui->edQuality->maximumWidth());
        edit->installEventFilter(exits);
        auto *bar = new TrackBar(Qt::Horizontal, this);
        bar->setObjectName(QStringLiteral("tbFace%1").arg(i));
        bar->setProperty("Tag", i);
        bar->setRange(ui->tbQuality->minimum(), ui->tbQuality->maximum());
        bar->setPageStep(ui->tbQuality->pageStep());
        bar->setTickPosition(ui->tbQuality->tickPosition());
        bar->setTickInterval(ui->tbQuality->tickInterval());

        ui->gQuality->addWidget(label, row, 0);
        ui->gQuality->addWidget(check, row, 1);
        ui->gQuality->addWidget(edit, row, 2);
        ui->gQuality->addWidget(bar, row, 4);
        FaceEdits << edit;
        FaceChecks << check;
        FaceBars << bar;

        connect(edit, &QLineEdit::textEdited, this, [this, i](const QString &text) {
            m_model.faceEdited(i, text);
            showModel();
        });
        connect(check, &QCheckBox::clicked, this, [this, i](bool checked) {
            m_model.faceClicked(i, checked);
            showModel();
        });
        connect(bar, &QSlider::valueChanged, this, [this, i](int position) {
            m_model.faceMoved(i, position);
            showModel();
        });
    }
    connect(ui->edQuality, &QLineEdit::textEdited, this, [this](const QString &text) {
        m_model.overallEdited(text);
        showModel();
    });
    connect(ui->tbQuality, &QSlider::valueChanged, this, [this](int position) {
        m_model.overallMoved(position);
        showModel();
    });
    connect(ui->btOk, &QPushButton::clicked, this, &TfrmTilesQuality::btOkClick);
    connect(ui->btCancel, &QPushButton::clicked, this, &QDialog::reject);

    m_model.load(m_project, m_defaults);
    showModel();
    adjustSize();
}

TfrmTilesQuality::~TfrmTilesQuality()
{
    delete ui;
}

void TfrmTilesQuality::showModel()
{
    const QSignalBlocker blockEdit(ui->edQuality), blockBar(ui->tbQuality);
    sl::setEditText(ui->edQuality, m_model.overallText());
    ui->tbQuality->setValue(m_model.overallPosition());
    for (int i = 0; i < sl::TilesQuality::FaceCount; ++i) {
        const sl::TilesQuality::Face &f = m_model.face(i);
        const QSignalBlocker blockFaceEdit(FaceEdits[i]), blockCheck(FaceChecks[i]), blockFaceBar(FaceBars[i]);
        sl::setEditText(FaceEdits[i], f.text);
        FaceChecks[i]->setChecked(f.checked);
        FaceBars[i]->setValue(f.position);
        FaceBars[i]->setEnabled(f.barEnabled);
        static_cast<TrackBar *>(FaceBars[i])->setSliderVisible(f.barEnabled);
    }
}

void TfrmTilesQuality::btOkClick()
{
    m_model.store(m_project, m_defaults);
    accept();
}
