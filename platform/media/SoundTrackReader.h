#pragma once

#include <QString>
#include <vector>

/// Reads a stretch of a media file's sound track as mono samples (GStreamer decodes it,
/// whatever the file's container and codec): the model's voice of a phrase, to be
/// analysed beside the learner's take.
class SoundTrackReader {
public:
    /// The samples of FILE from START_S to END_S seconds at RATE per second, in [-1, 1];
    /// empty, with the reason in ERROR, when the file has no readable sound there.
    static std::vector<float> read(const QString& file, double startS, double endS, int rate, QString* error = nullptr);
};
