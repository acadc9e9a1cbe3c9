#include "VideoProbe.h"

#include <QFileInfo>
#include <QMutex>
#include <QUrl>
#include <gst/gst.h>

namespace {

struct Seen {
    QMutex mutex;
    GstElement* pipeline = nullptr;
    bool picture = false;
    bool sound = false;
    int width = 0;
    int height = 0;
};

// Every stream the decoders give ends in a sink of its own, so that the pipeline pauses
// on the first picture; text streams are sparse and must not hold the pause back.
void sinkStream(GstElement*, GstPad* pad, gpointer data)
{
    auto* seen = static_cast<Seen*>(data);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps)
        caps = gst_pad_query_caps(pad, nullptr);
    const GstStructure* structure = caps && gst_caps_get_size(caps) > 0 ? gst_caps_get_structure(caps, 0) : nullptr;
    const QByteArray kind = structure ? QByteArray(gst_structure_get_name(structure)) : QByteArray();
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", FALSE, nullptr);
    if (!kind.startsWith("video/") && !kind.startsWith("audio/"))
        g_object_set(sink, "async", FALSE, nullptr);
    {
        const QMutexLocker lock(&seen->mutex);
        if (kind.startsWith("video/x-raw")) {
            seen->picture = true;
            gst_structure_get_int(structure, "width", &seen->width);
            gst_structure_get_int(structure, "height", &seen->height);
        } else if (kind.startsWith("audio/x-raw")) {
            seen->sound = true;
        }
        gst_bin_add(GST_BIN(seen->pipeline), sink);
    }
    gst_element_sync_state_with_parent(sink);
    GstPad* sinkPad = gst_element_get_static_pad(sink, "sink");
    gst_pad_link(pad, sinkPad);
    gst_object_unref(sinkPad);
    if (caps)
        gst_caps_unref(caps);
}

QString errorOf(GstMessage* message)
{
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    const QString text = QString::fromUtf8(error ? error->message : "error") + (debug ? QStringLiteral(" (%1)").arg(QString::fromUtf8(debug)) : QString());
    if (error)
        g_error_free(error);
    g_free(debug);
    return text;
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
    GstBus* bus = gst_element_get_bus(seen.pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(bus, GstClockTime(timeoutMs) * GST_MSECOND,
        GstMessageType(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR));
    gst_object_unref(bus);
    if (!message) {
        facts.detail = QStringLiteral("no picture after %1 ms").arg(timeoutMs);
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        facts.detail = errorOf(message);
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
