#include "EmbeddedSubtitles.h"
#include "EmbeddedCueText.h"
#include "GstStreams.h"
#include "SubtitleReader.h"

#include <QFileInfo>
#include <QMutex>
#include <gst/gst.h>
#include <list>

namespace {

struct TrackReading {
    int number = 0;
    EmbeddedCueText::Kind kind = EmbeddedCueText::Kind::Tagged;
    QString language;
    SubtitleCues cues;
    qint64 bytes = 0;
    bool cut = false;
};

struct Reading {
    QMutex mutex;
    GstElement* pipeline = nullptr;
    std::list<TrackReading> tracks; // a list: the handoffs keep pointers to its entries
    qint64 bytes = 0;               // read from all tracks
    int streams = 0;                // the demuxer's streams found so far
};

QString languageIn(const GstTagList* tags)
{
    gchar* code = nullptr;
    QString language;
    if (tags && gst_tag_list_get_string(tags, GST_TAG_LANGUAGE_CODE, &code))
        language = QString::fromUtf8(code).trimmed();
    g_free(code);
    return language;
}

// The track's language: from the demuxer's description of the stream, which a subtitle
// parser after it keeps, else from the tags that came down the stream.
QString languageOn(GstPad* pad)
{
    QString language;
    if (GstStream* stream = gst_pad_get_stream(pad)) {
        if (GstTagList* tags = gst_stream_get_tags(stream)) {
            language = languageIn(tags);
            gst_tag_list_unref(tags);
        }
        gst_object_unref(stream);
    }
    for (guint at = 0; language.isEmpty(); ++at) {
        GstEvent* event = gst_pad_get_sticky_event(pad, GST_EVENT_TAG, at);
        if (!event)
            break;
        GstTagList* tags = nullptr;
        gst_event_parse_tag(event, &tags);
        language = languageIn(tags);
        gst_event_unref(event);
    }
    return language;
}

// The time of a buffer in the video's own time line (an MP4's edit list shifts it).
qint64 streamMs(GstPad* pad, GstClockTime time)
{
    if (GstEvent* event = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0)) {
        const GstSegment* segment = nullptr;
        gst_event_parse_segment(event, &segment);
        const guint64 stream = segment ? gst_segment_to_stream_time(segment, GST_FORMAT_TIME, time) : GST_CLOCK_TIME_NONE;
        gst_event_unref(event);
        if (GST_CLOCK_TIME_IS_VALID(stream))
            return qint64(stream / GST_MSECOND);
    }
    return qint64(time / GST_MSECOND);
}

struct Handoff {
    Reading* reading;
    TrackReading* track;
};

void takeCue(GstElement*, GstBuffer* buffer, GstPad* pad, gpointer data)
{
    const auto* handoff = static_cast<Handoff*>(data);
    TrackReading& track = *handoff->track;
    const QMutexLocker lock(&handoff->reading->mutex);
    if (track.language.isEmpty())
        track.language = languageOn(pad);
    const GstClockTime start = GST_BUFFER_PTS(buffer);
    if (track.cut || !GST_CLOCK_TIME_IS_VALID(start))
        return;
    const qint64 size = qint64(gst_buffer_get_size(buffer));
    if (track.cues.size() >= SubtitleReader::kMaxCues || track.bytes + size > EmbeddedSubtitles::MaxTrackBytes
        || handoff->reading->bytes + size > EmbeddedSubtitles::MaxBytes) {
        track.cut = true;
        return;
    }
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
        return;
    const QByteArray payload(reinterpret_cast<const char*>(map.data), qsizetype(map.size));
    gst_buffer_unmap(buffer, &map);
    track.bytes += payload.size();
    handoff->reading->bytes += payload.size();
    SubtitleCue cue;
    cue.startMs = streamMs(pad, start);
    const GstClockTime duration = GST_BUFFER_DURATION(buffer);
    cue.endMs = GST_CLOCK_TIME_IS_VALID(duration) ? streamMs(pad, start + duration) : cue.startMs;
    cue.text = EmbeddedCueText::text(track.kind, payload);
    track.cues.append(cue);
}

void freeHandoff(gpointer data, GClosure*)
{
    delete static_cast<Handoff*>(data);
}

// Every stream ends in a sink that never waits: text streams hand their cues over, the
// others (the picture and the sound, parsed but not decoded) are dropped.
void sinkStream(GstElement*, GstPad* pad, gpointer data)
{
    auto* reading = static_cast<Reading*>(data);
    const QByteArray type = GstStreams::mediaType(pad);
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", FALSE, "async", FALSE, nullptr);
    {
        const QMutexLocker lock(&reading->mutex);
        ++reading->streams;
        if (EmbeddedCueText::isText(type) && int(reading->tracks.size()) < EmbeddedSubtitles::MaxTracks) {
            TrackReading& track = reading->tracks.emplace_back();
            track.number = int(reading->tracks.size());
            track.kind = EmbeddedCueText::kindOf(type);
            g_object_set(sink, "signal-handoffs", TRUE, nullptr);
            g_signal_connect_data(sink, "handoff", G_CALLBACK(takeCue), new Handoff { reading, &track }, freeHandoff, GConnectFlags(0));
        }
        gst_bin_add(GST_BIN(reading->pipeline), sink);
    }
    GstStreams::feed(pad, sink);
}

// The demuxer's streams are taken as it gives them: the picture and the sound need no
// parser (parsing a film's every frame would take longer than reading it), and a subtitle
// parser after SSA and ASS tracks would lose the track's language.
gboolean parseFurther(GstElement*, GstPad* pad, GstCaps* caps, gpointer)
{
    const QByteArray type = gst_caps_get_size(caps) > 0 ? QByteArray(gst_structure_get_name(gst_caps_get_structure(caps, 0))) : QByteArray();
    if (EmbeddedCueText::kindOf(type) == EmbeddedCueText::Kind::Ssa)
        return FALSE;
    if (!type.startsWith("video/") && !type.startsWith("audio/"))
        return TRUE;
    // "video/x-matroska" and the like are the file itself, before its demuxer.
    GstElement* parent = gst_pad_get_parent_element(pad);
    GstElementFactory* factory = parent ? gst_element_get_factory(parent) : nullptr;
    const char* klass = factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : nullptr;
    const bool fromDemuxer = klass && QByteArray(klass).contains("Demux");
    if (parent)
        gst_object_unref(parent);
    return !fromDemuxer;
}

// A video without subtitle tracks need not be read to its end.
void endWithoutText(GstElement*, gpointer data)
{
    auto* reading = static_cast<Reading*>(data);
    const QMutexLocker lock(&reading->mutex);
    if (reading->tracks.empty())
        gst_element_post_message(reading->pipeline, gst_message_new_application(GST_OBJECT(reading->pipeline), gst_structure_new_empty("no-text")));
}

} // namespace

EmbeddedSubtitles::Result EmbeddedSubtitles::read(const QString& video, int timeoutMs)
{
    Result result;
    const QString name = QFileInfo(video).fileName();
    const auto failed = [&](const QString& detail) {
        result.tracks.clear();
        result.error = QStringLiteral("No se pueden leer los subtítulos que lleva dentro el vídeo «%1».").arg(name);
        result.detail = detail;
        return result;
    };
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    Reading reading;
    reading.pipeline = gst_pipeline_new("embeddedsubtitles");
    GstElement* source = gst_element_factory_make("filesrc", nullptr);
    GstElement* parse = gst_element_factory_make("parsebin", nullptr);
    if (!source || !parse) {
        if (source)
            gst_object_unref(source);
        if (parse)
            gst_object_unref(parse);
        gst_object_unref(reading.pipeline);
        return failed(QStringLiteral("GStreamer has no filesrc or parsebin"));
    }
    g_object_set(source, "location", QFile::encodeName(video).constData(), nullptr);
    gst_bin_add_many(GST_BIN(reading.pipeline), source, parse, nullptr);
    gst_element_link(source, parse);
    g_signal_connect(parse, "pad-added", G_CALLBACK(sinkStream), &reading);
    g_signal_connect(parse, "autoplug-continue", G_CALLBACK(parseFurther), nullptr);
    g_signal_connect(parse, "no-more-pads", G_CALLBACK(endWithoutText), &reading);

    QString detail;
    GstMessage* message = nullptr;
    if (gst_element_set_state(reading.pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        detail = QStringLiteral("the pipeline does not start");
    } else {
        message = GstStreams::waitForStreams(reading.pipeline, GST_MESSAGE_EOS | GST_MESSAGE_ERROR | GST_MESSAGE_APPLICATION, timeoutMs,
            [&reading] {
                const QMutexLocker lock(&reading.mutex);
                return reading.streams;
            },
            detail);
        if (message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
            detail = GstStreams::errorOf(message);
    }
    if (message)
        gst_message_unref(message);
    gst_element_set_state(reading.pipeline, GST_STATE_NULL);
    gst_object_unref(reading.pipeline);
    if (!detail.isEmpty())
        return failed(detail);

    for (TrackReading& track : reading.tracks) {
        SubtitleReader::Result mended = SubtitleReader::fromCues(std::move(track.cues));
        if (mended.cues.isEmpty())
            continue;
        result.tracks.append({ track.number, track.language, std::move(mended.cues), track.cut });
    }
    return result;
}
