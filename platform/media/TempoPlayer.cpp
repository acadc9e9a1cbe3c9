#include "TempoPlayer.h"

#include "DiscStreams.h"

#include "Trace.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QTimer>
#include <QUrl>
#include <cmath>
#include <iterator>
#include <gst/gst.h>

namespace {
constexpr int BusPollMs = 10;

GstClockTime nanoseconds(double seconds)
{
    return GstClockTime(std::llround(std::max(0.0, seconds) * 1e9));
}
}

TempoPlayer::TempoPlayer(QObject* parent)
    : QObject(parent)
    , m_bus(new QTimer(this))
{
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    m_bus->setInterval(BusPollMs);
    connect(m_bus, &QTimer::timeout, this, &TempoPlayer::pollBus);
}

TempoPlayer::~TempoPlayer()
{
    release();
}

void TempoPlayer::release()
{
    m_bus->stop();
    if (!m_pipeline)
        return;
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
    gst_object_unref(m_pipeline);
    m_pipeline = nullptr;
    m_volume = nullptr;
}

bool TempoPlayer::play(const QString& file, double startS, double endS, double rate)
{
    release();
    m_error.clear();
    m_file = file;
    // A file still being copied off a disc image is read whole: its copy is waited for.
    if (!DiscStreams::finish(file)) {
        fail(QStringLiteral("no file %1").arg(file));
        return false;
    }
    if (!(rate >= 0.25 && rate <= 1.0) || !(endS > startS)) {
        fail(QStringLiteral("cannot play %1 s to %2 s at rate %3").arg(startS).arg(endS).arg(rate));
        return false;
    }
    // The file's sound only: its other streams stay unlinked, and the demuxer goes on
    // while one stream is linked.
    GstElement* source = gst_element_factory_make("uridecodebin", nullptr);
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* tempo = gst_element_factory_make("scaletempo", nullptr);
    GstElement* convertOut = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    m_volume = gst_element_factory_make("volume", nullptr);
    GstElement* sink = gst_element_factory_make("pulsesink", nullptr);
    if (!sink)
        sink = gst_element_factory_make("autoaudiosink", nullptr);
    m_pipeline = gst_pipeline_new(nullptr);
    GstElement* chain[] = { source, convert, tempo, convertOut, resample, m_volume, sink };
    const char* names[] = { "uridecodebin", "audioconvert", "scaletempo", "audioconvert", "audioresample", "volume", "pulsesink" };
    for (size_t i = 0; i < std::size(chain); ++i) {
        if (chain[i])
            continue;
        for (GstElement* made : chain) {
            if (made)
                gst_object_unref(gst_object_ref_sink(made));
        }
        gst_object_unref(m_pipeline);
        m_pipeline = nullptr;
        m_volume = nullptr;
        fail(QStringLiteral("GStreamer has no %1 element (gstreamer1.0-plugins-base, -good, -pulseaudio)").arg(QString::fromLatin1(names[i])));
        return false;
    }
    // The tempo element holds back up to one stride and its search window and drops
    // them at the end of the stream (measured: a one-second tone lost 50 ms at 0.5 x):
    // the stretch is played that much further so that its end is heard.
    guint strideMs = 0;
    guint searchMs = 0;
    g_object_get(tempo, "stride", &strideMs, "search", &searchMs, nullptr);
    m_heldBackS = (strideMs + searchMs) / 1000.0;
    gst_bin_add_many(GST_BIN(m_pipeline), source, convert, tempo, convertOut, resample, m_volume, sink, nullptr);
    gst_element_link_many(convert, tempo, convertOut, resample, m_volume, sink, nullptr);
    const QByteArray uri = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toEncoded();
    g_object_set(source, "uri", uri.constData(), nullptr);
    g_object_set(m_volume, "volume", m_gain, nullptr);
    g_signal_connect(source, "pad-added", G_CALLBACK(+[](GstElement*, GstPad* pad, gpointer target) {
        GstPad* sinkPad = gst_element_get_static_pad(static_cast<GstElement*>(target), "sink");
        GstCaps* caps = gst_pad_get_current_caps(pad);
        if (!caps)
            caps = gst_pad_query_caps(pad, nullptr);
        const bool audio = caps && gst_caps_get_size(caps) > 0
            && g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "audio/");
        if (audio && !gst_pad_is_linked(sinkPad))
            gst_pad_link(pad, sinkPad);
        if (caps)
            gst_caps_unref(caps);
        gst_object_unref(sinkPad);
    }), convert);
    m_startS = startS;
    m_endS = endS;
    m_rate = rate;
    m_seeked = false;
    // The seek at the slower rate is made once the pipeline has prerolled.
    if (gst_element_set_state(m_pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        fail(QStringLiteral("%1 cannot be opened").arg(file));
        release();
        return false;
    }
    m_bus->start();
    if (m_trace)
        m_trace->event("tempo", { { QStringLiteral("op"), QStringLiteral("play") }, { QStringLiteral("file"), file },
                                    { QStringLiteral("start"), startS }, { QStringLiteral("end"), endS }, { QStringLiteral("rate"), rate } });
    return true;
}

void TempoPlayer::stop()
{
    if (m_pipeline && m_trace)
        m_trace->event("tempo", { { QStringLiteral("op"), QStringLiteral("stop") } });
    release();
}

void TempoPlayer::setVolume(int hundredthsDb)
{
    m_gain = std::pow(10.0, std::clamp(hundredthsDb, -10000, 0) / 2000.0);
    if (m_volume)
        g_object_set(m_volume, "volume", m_gain, nullptr);
}

void TempoPlayer::pollBus()
{
    if (!m_pipeline)
        return;
    GstBus* bus = gst_element_get_bus(m_pipeline);
    while (GstMessage* message = gst_bus_pop(bus)) {
        const GstMessageType type = GST_MESSAGE_TYPE(message);
        if (type == GST_MESSAGE_ASYNC_DONE && !m_seeked) {
            m_seeked = true;
            const auto flags = GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
            if (!gst_element_seek(m_pipeline, m_rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, nanoseconds(m_startS), GST_SEEK_TYPE_SET,
                    nanoseconds(m_endS + m_heldBackS))) {
                gst_message_unref(message);
                gst_object_unref(bus);
                fail(QStringLiteral("%1 cannot be played from %2 s at rate %3").arg(m_file).arg(m_startS).arg(m_rate));
                release();
                return;
            }
            gst_element_set_state(m_pipeline, GST_STATE_PLAYING);
        } else if (type == GST_MESSAGE_EOS) {
            gst_message_unref(message);
            gst_object_unref(bus);
            release();
            if (m_trace)
                m_trace->event("tempo", { { QStringLiteral("op"), QStringLiteral("end") } });
            emit finished();
            return;
        } else if (type == GST_MESSAGE_ERROR) {
            GError* error = nullptr;
            gchar* debug = nullptr;
            gst_message_parse_error(message, &error, &debug);
            const QString reason = QStringLiteral("%1: %2").arg(m_file, QString::fromUtf8(error ? error->message : "unknown error"));
            if (error)
                g_error_free(error);
            g_free(debug);
            gst_message_unref(message);
            gst_object_unref(bus);
            release();
            fail(reason);
            return;
        }
        gst_message_unref(message);
    }
    gst_object_unref(bus);
}

void TempoPlayer::fail(const QString& reason)
{
    m_error = reason;
    if (m_trace)
        m_trace->event("tempo", { { QStringLiteral("op"), QStringLiteral("error") }, { QStringLiteral("error"), reason } });
    emit failed(reason);
}
