#pragma once
// The panorama view: one widget standing in for both families of movie controls the preview
// windows talk to.
//  - The plug-in face: URL() / setURL(), PluginStatus() ("Complete" once loaded), IsVRMovie()
//    (non-zero for a panorama), PanAngle / TiltAngle / FieldOfView getters and setters,
//    setControllerVisible() (a bar of 16 pixels below the movie), PluginVersion() and
//    QuickTimeVersion() (declared in that order).
//  - The newer face: URL() / setURL(), QuickTimeVersion() and Movie(), the movie object, null
//    while nothing is loaded, with IsVRMovie() and the three angles.
// Angles are degrees: pan in [0, 360) growing to the left, tilt in [-90, 90] growing upwards,
// field of view vertical, in (0, 180). Setting an angle moves the view at once.
// Loading is synchronous: a missing, truncated or foreign file leaves the view empty. A relative
// path is taken against the current directory; "file://" addresses work as well.
// Every face operation may throw sl::preview::ComponentError, which tests arrange with failNext().
#include <QHash>
#include <QImage>
#include <QPoint>
#include <QWidget>

class QPainter;
#include <memory>

#include "preview/model/PanoRenderer.h"
#include "preview/model/QuickTimeCheck.h"

namespace sl::movie {
struct Movie;
}

namespace sl::panoview {

using ComponentError = sl::preview::ComponentError;

class PanoView;

// The movie object of the newer face; owned by its view and valid as long as the view lives.
class PanoMovie
{
public:
    bool IsVRMovie() const;
    float PanAngle() const;
    void setPanAngle(float degrees);
    float TiltAngle() const;
    void setTiltAngle(float degrees);
    float FieldOfView() const;
    void setFieldOfView(float degrees);

private:
    friend class PanoView;
    explicit PanoMovie(PanoView *view)
        : m_view(view)
    {
    }
    PanoView *m_view;
};

class PanoView : public QWidget
{
    Q_OBJECT

public:
    // The operations a test can make fail.
    enum class Operation {
        SetURL,
        URL,
        PluginStatus,
        IsVRMovie,
        PanAngle,
        SetPanAngle,
        TiltAngle,
        SetTiltAngle,
        FieldOfView,
        SetFieldOfView,
        SetControllerVisible,
        PluginVersion,
        QuickTimeVersion,
        Movie,
    };

    static constexpr int kControllerHeight = 16;
    static constexpr double kMinFieldOfView = 0.01;
    static constexpr double kMaxFieldOfView = 179.99;
    static constexpr double kDefaultFieldOfView = 70;

    explicit PanoView(QWidget *parent = nullptr);
    ~PanoView() override;

    // Both faces.
    void setURL(const QString &url);
    QString URL() const;
    QString QuickTimeVersion() const;

    // Plug-in face.
    QString PluginStatus() const;
    int IsVRMovie() const;
    float PanAngle() const;
    void setPanAngle(float degrees);
    float TiltAngle() const;
    void setTiltAngle(float degrees);
    float FieldOfView() const;
    void setFieldOfView(float degrees);
    void setControllerVisible(bool visible);
    QString PluginVersion() const;

    // Newer face: null while no movie is loaded.
    PanoMovie *Movie() const;

    // Beyond the faces.
    bool controllerVisible() const { return m_controllerVisible; }
    QString controllerText() const; // the angles the controller bar shows; empty but for a panorama
    bool isLoaded() const;
    QString loadError() const { return m_loadError; } // why the last load left the view empty
    QString loadedPath() const { return m_path; }     // the file the URL resolved to
    QRect movieRect() const;                          // where the movie shows, in widget pixels
    const QImage &viewImage();                        // the movie as shown, rendered when stale
    int objectColumn() const { return m_column; }     // object movies: the frame shown
    int objectRow() const { return m_row; }
    void setObjectFrame(int column, int row);

    // Test hooks: the next `times` calls of `operation` throw ComponentError(message) and do
    // nothing else; PluginStatus() answers `text` for the next `reads` reads.
    void failNext(Operation operation, const QString &message, int times = 1);
    void holdStatus(const QString &text, int reads);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    friend class PanoMovie;

    void check(Operation operation) const;
    void clearMovie();
    void load(const QString &url);
    void setView(double pan, double tilt, double fov);
    void changed();
    QRect viewArea() const;
    QRect controllerRect() const;
    void drawController(QPainter &painter);

    QString m_url;
    QString m_path;
    QString m_loadError;
    QString m_status;
    std::unique_ptr<sl::movie::Movie> m_movie;
    sl::preview::TiledPanorama m_panorama; // the panorama frame, kept once, in tiles
    double m_aspect = 4.0 / 3.0;
    double m_pan = 0;
    double m_tilt = 0;
    double m_fov = kDefaultFieldOfView;
    int m_column = 0;
    int m_row = 0;
    bool m_controllerVisible = false;
    std::unique_ptr<PanoMovie> m_movieObject;

    QImage m_objectFrame; // object movies: the decoded frame shown
    int m_objectFrameIndex = -1;
    QImage m_view;        // the rendered movie, movieRect().size()
    bool m_stale = true;

    bool m_dragging = false;
    QPoint m_dragLast;
    QPoint m_dragOrigin;
    int m_dragColumn = 0;
    int m_dragRow = 0;

    struct Failure
    {
        QString message;
        int times = 0;
    };
    mutable QHash<int, Failure> m_failures;
    mutable QString m_heldStatus;
    mutable int m_heldReads = 0;
};

} // namespace sl::panoview
