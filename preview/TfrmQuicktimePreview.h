#pragma once
// The base of every preview window: the panorama view above, the status panel with its
// navigation strip below, and a poll of the view every 200 ms that reads the current view and
// moves it while a strip icon is held. Two families share it: the QuickTime 6 family talks to
// the view through its plug-in face (load status, panorama flag, angles, controller button),
// the QuickTime 7 family through the view's movie object (with the controller bar always shown).
// Derived windows put their controls into `pParams`, run this tick first in their own, and are
// shown modally by their opener.
#include <QDialog>

#include "preview/model/PreviewAngles.h"
#include "preview/model/PreviewFrame.h"

class QLabel;
class QLineEdit;
class QTimer;

namespace Ui {
class TfrmQuicktimePreview;
}
namespace sl {
class EditedProject;
}
namespace sl::panoview {
class PanoView;
}

class TfrmQuicktimePreview : public QDialog
{
    Q_OBJECT

public:
    enum class Family { QuickTime6, QuickTime7 };

    // `project` is what the window previews and edits, and where its errors are reported.
    explicit TfrmQuicktimePreview(sl::EditedProject *project, Family family = Family::QuickTime6,
                                  QWidget *parent = nullptr);
    ~TfrmQuicktimePreview() override;

    Family family() const { return m_family; }

    // Stores the movie's size (its aspect sets the horizontal field of view) and sizes the window
    // around it: the movie area at least 600 x 400, with the controller bar's 16 pixels in the
    // QuickTime 7 family, the whole window kept within the screen's free area (the view then
    // scales down inside).
    void SetMovieSize(int width, int height);
    // The movie area after the minimums (MovieWidth x MovieHeight).
    QSize movieArea() const { return m_movieArea; }

    // The view read at the last tick that found a panorama ready.
    const sl::preview::CurrentView &currentView() const { return m_view; }

    // One poll (the timer's slot). Errors of the view go to the project's console, once until a
    // tick passes without one.
    virtual void TimerTimer();
    QTimer *timer() const { return Timer; }

protected:
    sl::panoview::PanoView *qtControl() const;
    sl::EditedProject *project() const { return m_project; }
    // Puts a derived window's own Designer form into the control panel: the form's caption
    // becomes the window's, the view gets a plain border of 10 pixels, and the panel grows to
    // hold the form and stays at least `minimumWidth` wide.
    template<class Form>
    void setupParams(Form *form, int minimumWidth)
    {
        auto *panel = new QWidget(this);
        form->setupUi(panel);
        adoptParams(panel, minimumWidth);
    }

    // The family's face of the view. Each may throw sl::preview::ComponentError.
    bool statusComplete() const; // QuickTime 6: the load status reads "Complete"; 7: always
    bool isPanorama() const;     // a panorama movie is loaded
    void setPan(double degrees);
    void setTilt(double degrees);
    void setFov(double degrees);
    // Loads a movie (a relative name is taken against the current directory) and repaints.
    void loadMovie(const QString &fileName);

    // Sets pan, tilt and field of view from those of the three edits that hold a typed angle;
    // with `onlyFocused`, only from the edit that has the keyboard focus. Errors are ignored.
    void applyTypedView(QLineEdit *pan, QLineEdit *tilt, QLineEdit *fov, bool onlyFocused);
    // Shows the current view in three edits; with `skipFocused`, not in the edit that has the
    // keyboard focus.
    void showCurrentView(QLineEdit *pan, QLineEdit *tilt, QLineEdit *fov, bool skipFocused);
    // Shows an angle (FormatAngle) in a label, which is left alone while it shows it already.
    static void showAngle(QLabel *label, double degrees);
    // Changes the timer's interval unless it has it already (a change restarts the timer).
    void setPollInterval(int milliseconds);
    void reportComponentError(const QString &message);

    // Runs once, when the window is first shown: the version line.
    virtual void FormShow();
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    Ui::TfrmQuicktimePreview *ui;

private:
    void adoptParams(QWidget *panel, int minimumWidth);
    void fitControlPanel();
    // The margin around the view, and a lowered bevel inside it.
    void setViewBorder(int width, bool bevel);
    void imgSmallNavMouseDown(int x);
    void imgSmallNavMouseUp();
    void btShowControlClick();
    void readView(double fov, double pan, double tilt);
    void navigate();
    void fitToScreen(QSize client);

    sl::EditedProject *m_project;
    Family m_family;
    QTimer *Timer;
    sl::preview::NavSpeeds m_speeds;
    bool ControllerShown = false;
    QSize m_movieArea{600, 300};
    QSize m_movieSize; // as passed to SetMovieSize: the movie's own aspect
    int m_border = 10;
    sl::preview::CurrentView m_view;
    QString m_reportedError; // reported on the console and not yet followed by a good tick
    bool m_errorThisTick = false;
    bool m_shown = false;
};

// The text of an error caught from the view or while running a preview window.
QString previewErrorText(const std::exception &error);
