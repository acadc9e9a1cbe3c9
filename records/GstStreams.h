#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
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
/// How soon a video's streams must be found: a file's header is read in milliseconds.
constexpr int StreamsWithinMs = 5000;
/// The next message of TYPES on PIPELINE's bus, waited for TIMEOUTMS at most; a file whose
/// demuxer finds no stream at all (one cut short in its header) may neither end nor fail,
/// so it is given up when STREAMS() is still 0 after StreamsWithinMs. Null, with the
/// reason in DETAIL, when no message came.
GstMessage* waitForStreams(GstElement* pipeline, int types, int timeoutMs, const std::function<int()>& streams, QString& detail);
/// The text of an error message, with GStreamer's debugging words.
QString errorOf(GstMessage* message);

} // namespace GstStreams
