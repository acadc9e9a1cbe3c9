#pragma once

#include <QByteArray>
#include <QString>
#include <gst/gst.h>

/// The small steps the pipelines that look into the learner's videos share.
namespace GstStreams {

/// The media type of the stream PAD gives ("video/x-raw", "application/x-ass", …), and
/// the picture's size into WIDTH and HEIGHT when given and told.
QByteArray mediaType(GstPad* pad, int* width = nullptr, int* height = nullptr);
/// SINK, already in the pipeline, brought to its state and fed from PAD.
void feed(GstPad* pad, GstElement* sink);
/// The next message of TYPES on PIPELINE's bus; null after TIMEOUTMS.
GstMessage* waitFor(GstElement* pipeline, int types, int timeoutMs);
/// The text of an error message, with GStreamer's debugging words.
QString errorOf(GstMessage* message);

} // namespace GstStreams
