#pragma once
// The per-face JPEG qualities of the tiles: "compress.quality" for every face and
// "compress.quality.0" .. ".5" (front, right, back, left, top, bottom) for a face of its own.
// The state of the quality dialog: an overall edit with its track bar and, per face, an edit,
// a check box and a track bar that follow each other as the user types, clicks and drags.
#include <QString>
#include <QStringList>

#include <array>

#include "project/ProjectDocument.h"

namespace sl {

class TilesQuality
{
public:
    static constexpr int FaceCount = 6;
    static constexpr int MinQuality = 0;
    static constexpr int MaxQuality = 100;

    struct Face
    {
        QString text;            // the face's own quality; empty: it uses the overall one
        bool checked = false;    // the face has a value of its own
        bool barEnabled = false; // the track bar can be moved and shows its slider
        int position = 0;        // the track bar's position
    };

    // "compress.quality.<face>".
    static QString faceKey(int face);

    // Fills the dialog from the project: the overall quality (binding default "90") and each
    // face's value (empty when absent), then puts every row in step.
    void load(const ProjectList &project, const BindingDefaults &defaults);
    // OK: "compress.quality" is always written (even at its default); a face's line is
    // replaced (an empty text leaves "compress.quality.<i>="), an absent one is added only
    // when the face has a text.
    void store(ProjectList &project, const BindingDefaults &defaults) const;

    // What the user does. A track bar that code moves acts as if the user had moved it, but
    // only when its position really changes.
    void overallEdited(const QString &text);        // the overall edit changed
    void overallMoved(int position);                // the overall track bar moved
    void faceEdited(int face, const QString &text); // a face's edit changed or was left
    void faceMoved(int face, int position);         // a face's track bar moved
    void faceClicked(int face, bool checked);       // a face's check box clicked

    const QString &overallText() const { return m_overallText; }
    int overallPosition() const { return m_overallPosition; }
    const Face &face(int face) const { return m_faces.at(face); }

private:
    void SyncTileControls();
    void setOverallText(const QString &text);
    void setOverallPosition(int position);
    void setFaceText(int face, const QString &text);
    void setFacePosition(int face, int position);

    QString m_overallText;
    int m_overallPosition = 0;
    std::array<Face, FaceCount> m_faces;
    bool Updating = false;  // the rows are being put in step: check-box clicks are ignored
    bool RowsReady = false; // before the rows are loaded no face handler acts
};

} // namespace sl
