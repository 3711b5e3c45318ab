#pragma once
// Six cube faces from an equirectangular image file, made while the file is decoded. A JPEG
// panorama is decoded band by band on the calling thread, into a window of rows whose memory
// goes on to the rows further down once every band has read them (meanwhile the decoding makes
// bands itself); the other threads make the bands of face rows whose source rows are in (in the
// order the decoding reaches them), and each JPEG face is encoded as its rows come complete, top
// to bottom. Other formats are read whole first. The work then ends shortly after the decoding
// does.
#include "platform/projection/Projection.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <array>
#include <functional>

namespace skyloom {

struct FaceJob
{
    QString input;     // the equirectangular image
    int size = 0;      // face size in pixels
    sl::projection::Interpolator interpolator = sl::projection::Interpolator::Bilinear;
    bool jpeg = true;  // encode the faces as JPEG (else hand over the images)
    std::array<int, 6> quality{90, 90, 90, 90, 90, 90};
    // Called once a face is finished, on any thread, for several faces at once: the JPEG file's
    // bytes, or the face image. False with a reason stops the work.
    std::function<bool(int face, const QByteArray &jpeg, const QImage &image, QString &error)> finished;
};

// Checks nothing about the size (the caller does so from the header first). False with a reason
// when the input cannot be read or a face cannot be made or handed over.
bool makeFaces(const FaceJob &job, QString &error);

} // namespace skyloom
