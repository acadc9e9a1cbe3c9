#include "GstStreams.h"

#include <QElapsedTimer>
#include <algorithm>

namespace GstStreams {

QByteArray mediaType(GstPad* pad, int* width, int* height)
{
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps)
        caps = gst_pad_query_caps(pad, nullptr);
    QByteArray type;
    if (caps && gst_caps_get_size(caps) > 0) {
        const GstStructure* structure = gst_caps_get_structure(caps, 0);
        type = gst_structure_get_name(structure);
        if (width)
            gst_structure_get_int(structure, "width", width);
        if (height)
            gst_structure_get_int(structure, "height", height);
    }
    if (caps)
        gst_caps_unref(caps);
    return type;
}

void feed(GstPad* pad, GstElement* sink)
{
    gst_element_sync_state_with_parent(sink);
    GstPad* sinkPad = gst_element_get_static_pad(sink, "sink");
    gst_pad_link(pad, sinkPad);
    gst_object_unref(sinkPad);
}

GstMessage* waitFor(GstElement* pipeline, int types, int timeoutMs)
{
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(bus, GstClockTime(std::max(timeoutMs, 0)) * GST_MSECOND, GstMessageType(types));
    gst_object_unref(bus);
    return message;
}

GstMessage* waitForStreams(GstElement* pipeline, int types, int timeoutMs, const std::function<int()>& streams, QString& detail)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0) {
            detail = QStringLiteral("not done in %1 ms").arg(timeoutMs);
            return nullptr;
        }
        if (GstMessage* message = waitFor(pipeline, types, int(std::min<qint64>(left, 200))))
            return message;
        if (streams() == 0 && clock.elapsed() >= StreamsWithinMs) {
            detail = QStringLiteral("no stream found in %1 ms").arg(StreamsWithinMs);
            return nullptr;
        }
    }
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

} // namespace GstStreams
