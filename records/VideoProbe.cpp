#include "VideoProbe.h"
#include "GstStreams.h"

#include <QFileInfo>
#include <QMutex>
#include <QUrl>

namespace {

struct Seen {
    QMutex mutex;
    GstElement* pipeline = nullptr;
    bool picture = false;
    bool sound = false;
    int streams = 0;
    int width = 0;
    int height = 0;
};

// Every stream the decoders give ends in a sink of its own, so that the pipeline pauses
// on the first picture; text streams are sparse and must not hold the pause back.
void sinkStream(GstElement*, GstPad* pad, gpointer data)
{
    auto* seen = static_cast<Seen*>(data);
    int width = 0;
    int height = 0;
    const QByteArray kind = GstStreams::mediaType(pad, &width, &height);
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", FALSE, nullptr);
    if (!kind.startsWith("video/") && !kind.startsWith("audio/"))
        g_object_set(sink, "async", FALSE, nullptr);
    {
        const QMutexLocker lock(&seen->mutex);
        ++seen->streams;
        if (kind.startsWith("video/x-raw")) {
            seen->picture = true;
            seen->width = width;
            seen->height = height;
        } else if (kind.startsWith("audio/x-raw")) {
            seen->sound = true;
        }
        gst_bin_add(GST_BIN(seen->pipeline), sink);
    }
    GstStreams::feed(pad, sink);
}

} // namespace

VideoProbe::Facts VideoProbe::probe(const QString& video, int timeoutMs)
{
    Facts facts;
    if (!QFileInfo(video).isFile()) {
        facts.detail = QStringLiteral("%1 is not a file").arg(video);
        return facts;
    }
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    Seen seen;
    seen.pipeline = gst_pipeline_new("videoprobe");
    GstElement* source = gst_element_factory_make("uridecodebin", nullptr);
    if (!source) {
        gst_object_unref(seen.pipeline);
        facts.detail = QStringLiteral("GStreamer has no uridecodebin");
        return facts;
    }
    const QByteArray uri = QUrl::fromLocalFile(QFileInfo(video).absoluteFilePath()).toEncoded();
    g_object_set(source, "uri", uri.constData(), nullptr);
    gst_bin_add(GST_BIN(seen.pipeline), source);
    g_signal_connect(source, "pad-added", G_CALLBACK(sinkStream), &seen);

    gst_element_set_state(seen.pipeline, GST_STATE_PAUSED);
    GstMessage* message = GstStreams::waitForStreams(seen.pipeline, GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR, timeoutMs,
        [&seen] {
            const QMutexLocker lock(&seen.mutex);
            return seen.streams;
        },
        facts.detail);
    if (!message) {
        facts.detail = QStringLiteral("no picture: %1").arg(facts.detail);
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        facts.detail = GstStreams::errorOf(message);
    } else {
        gint64 duration = 0;
        if (gst_element_query_duration(seen.pipeline, GST_FORMAT_TIME, &duration) && duration > 0)
            facts.durationMs = duration / GST_MSECOND;
        const QMutexLocker lock(&seen.mutex);
        facts.decodes = seen.picture;
        facts.sound = seen.sound;
        facts.width = seen.width;
        facts.height = seen.height;
        if (!seen.picture)
            facts.detail = QStringLiteral("no picture stream that decodes");
    }
    if (message)
        gst_message_unref(message);
    gst_element_set_state(seen.pipeline, GST_STATE_NULL);
    gst_object_unref(seen.pipeline);
    return facts;
}
