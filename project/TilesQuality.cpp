#include "project/TilesQuality.h"

#include "project/Values.h"

namespace sl {

namespace {

const QString kQualityKey = QStringLiteral("compress.quality");

bool validFace(int face)
{
    return face >= 0 && face < TilesQuality::FaceCount;
}

} // namespace

QString TilesQuality::faceKey(int face)
{
    return kQualityKey + QLatin1Char('.') + QString::number(face);
}

void TilesQuality::load(const ProjectList &project, const BindingDefaults &defaults)
{
    RowsReady = false;
    setOverallText(getValue(project, defaults, kQualityKey));
    for (int i = 0; i < FaceCount; ++i) {
        m_faces[i].position = m_overallPosition;
        m_faces[i].text = getValue(project, defaults, faceKey(i));
    }
    Updating = false;
    RowsReady = true;
    SyncTileControls();
}

void TilesQuality::store(ProjectList &project, const BindingDefaults &defaults) const
{
    project.setLine(kQualityKey, m_overallText);
    for (int i = 0; i < FaceCount; ++i)
        setValue(project, defaults, faceKey(i), m_faces[i].text);
}

void TilesQuality::overallEdited(const QString &text)
{
    m_overallText = text;
    setOverallPosition(VarToIntDef0(text));
}

void TilesQuality::overallMoved(int position)
{
    setOverallPosition(position);
}

void TilesQuality::faceEdited(int face, const QString &text)
{
    if (!validFace(face))
        return;
    m_faces[face].text = text;
    SyncTileControls();
}

void TilesQuality::faceMoved(int face, int position)
{
    if (validFace(face))
        setFacePosition(face, position);
}

void TilesQuality::faceClicked(int face, bool checked)
{
    if (!validFace(face) || !RowsReady || Updating)
        return;
    m_faces[face].checked = checked;
    setFaceText(face, checked ? m_overallText : QString());
    SyncTileControls();
}

void TilesQuality::SyncTileControls()
{
    if (!RowsReady || Updating)
        return;
    Updating = true;
    setOverallPosition(VarToIntDef0(m_overallText));
    for (int i = 0; i < FaceCount; ++i) {
        Face &f = m_faces[i];
        f.checked = f.barEnabled = !f.text.isEmpty();
        if (f.checked)
            setFacePosition(i, VarToIntDef0(f.text));
    }
    Updating = false;
}

// The overall edit and its track bar follow each other; the face rows are not touched.
void TilesQuality::setOverallText(const QString &text)
{
    if (text == m_overallText)
        return;
    overallEdited(text);
}

void TilesQuality::setOverallPosition(int position)
{
    position = qBound(MinQuality, position, MaxQuality);
    if (position == m_overallPosition)
        return;
    m_overallPosition = position;
    setOverallText(QString::number(position));
}

void TilesQuality::setFaceText(int face, const QString &text)
{
    if (text == m_faces[face].text)
        return;
    faceEdited(face, text);
}

// A face's track bar moved: its edit takes the position's number.
void TilesQuality::setFacePosition(int face, int position)
{
    position = qBound(MinQuality, position, MaxQuality);
    if (position == m_faces[face].position)
        return;
    m_faces[face].position = position;
    if (!RowsReady)
        return;
    setFaceText(face, QString::number(position));
    SyncTileControls();
}

} // namespace sl
