#include "SoundTrackReader.h"

#include "DiscStreams.h"

#include <QFileInfo>
#include <QUrl>
#include <cmath>
#include <cstring>
#include <gst/gst.h>

namespace {

struct Collected {
    std::vector<float> samples;
};

void takeBuffer(GstElement*, GstBuffer* buffer, GstPad*, gpointer data)
{
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
        return;
    auto& samples = static_cast<Collected*>(data)->samples;
    const size_t count = map.size / sizeof(float);
    const size_t at = samples.size();
    samples.resize(at + count);
    std::memcpy(samples.data() + at, map.data, count * sizeof(float));
    gst_buffer_unmap(buffer, &map);
}

void linkAudio(GstElement*, GstPad* pad, gpointer target)
{
    GstPad* sinkPad = gst_element_get_static_pad(static_cast<GstElement*>(target), "sink");
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps)
        caps = gst_pad_query_caps(pad, nullptr);
    if (caps && gst_caps_get_size(caps) > 0 && g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "audio/")
        && !gst_pad_is_linked(sinkPad))
        gst_pad_link(pad, sinkPad);
    if (caps)
        gst_caps_unref(caps);
    gst_object_unref(sinkPad);
}

// Waits for the next message of TYPES; null after TIMEOUT_S.
GstMessage* waitFor(GstElement* pipeline, int types, double timeoutS)
{
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(bus, GstClockTime(timeoutS * GST_SECOND), GstMessageType(types));
    gst_object_unref(bus);
    return message;
}

} // namespace

std::vector<float> SoundTrackReader::read(const QString& file, double startS, double endS, int rate, QString* error)
{
    const auto failed = [error](const QString& reason) {
        if (error)
            *error = reason;
        return std::vector<float>();
    };
    // A file still being copied off a disc image is read whole: its copy is waited for.
    if (!DiscStreams::finish(file))
        return failed(QStringLiteral("no file %1").arg(file));
    if (!(endS > startS) || rate <= 0)
        return failed(QStringLiteral("no stretch %1 s to %2 s").arg(startS).arg(endS));
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    const QByteArray description = QStringLiteral("uridecodebin name=source audioconvert name=convert ! audioresample ! "
                                                  "audio/x-raw,format=F32LE,channels=1,rate=%1 ! fakesink name=sink sync=false signal-handoffs=true")
                                       .arg(rate)
                                       .toUtf8();
    GError* parseError = nullptr;
    GstElement* pipeline = gst_parse_launch(description.constData(), &parseError);
    if (!pipeline || parseError) {
        const QString reason = QString::fromUtf8(parseError ? parseError->message : "no pipeline");
        if (parseError)
            g_error_free(parseError);
        if (pipeline)
            gst_object_unref(pipeline);
        return failed(reason);
    }
    GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "source");
    GstElement* convert = gst_bin_get_by_name(GST_BIN(pipeline), "convert");
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    Collected collected;
    const QByteArray uri = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toEncoded();
    g_object_set(source, "uri", uri.constData(), nullptr);
    g_signal_connect(source, "pad-added", G_CALLBACK(linkAudio), convert);
    g_signal_connect(sink, "handoff", G_CALLBACK(takeBuffer), &collected);
    QString reason;
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    GstMessage* message = waitFor(pipeline, GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR, 10);
    if (!message || GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        reason = QStringLiteral("%1 cannot be read").arg(file);
    } else {
        gst_message_unref(message);
        collected.samples.clear(); // what the preroll handed over lies before the seek
        const auto flags = GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
        gst_element_seek(pipeline, 1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, GstClockTime(std::llround(startS * 1e9)),
            GST_SEEK_TYPE_SET, GstClockTime(std::llround(endS * 1e9)));
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        message = waitFor(pipeline, GST_MESSAGE_EOS | GST_MESSAGE_ERROR, 30);
        if (!message || GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
            reason = QStringLiteral("%1: its sound from %2 s cannot be decoded").arg(file).arg(startS);
    }
    if (message)
        gst_message_unref(message);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(source);
    gst_object_unref(convert);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    if (!reason.isEmpty())
        return failed(reason);
    // The accurate seek starts at the stretch; its last buffer may run past the end.
    const size_t wanted = size_t(std::llround((endS - startS) * rate));
    if (collected.samples.size() > wanted)
        collected.samples.resize(wanted);
    return std::move(collected.samples);
}
