#pragma once

#include <QString>
#include <QtGlobal>

/// Whether a video plays here, and what it is, as GStreamer's decoders see it: the file is
/// opened and decoded up to its first picture (paused, as the player opens a lesson).
class VideoProbe {
public:
    /// How long the decoders may take to reach the first picture.
    static constexpr int TimeoutMs = 15000;

    struct Facts {
        bool decodes = false;  ///< a picture was decoded
        qint64 durationMs = 0; ///< 0 when the file does not tell
        int width = 0;
        int height = 0;
        bool sound = false;    ///< it has a sound track that decodes
        QString detail;        ///< why it does not decode, for the trace
    };

    static Facts probe(const QString& video, int timeoutMs = TimeoutMs);
};
