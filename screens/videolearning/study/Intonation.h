#pragma once

#include <QString>
#include <vector>

/// One utterance analysed for the drawing of its intonation: its samples, its pitch
/// contour (aubio's yinfast, whose confidence marks the unvoiced hops; one value a hop, 0 where nothing is voiced) and where the
/// speech starts (aubio's onset detection), which is where model and take are aligned.
struct Intonation {
    /// Frames of the analysis.
    static constexpr int Window = 2048;
    static constexpr int Hop = 512;
    /// Pitch outside this range, or found with less confidence, counts as unvoiced.
    static constexpr float LowestHz = 60;
    static constexpr float HighestHz = 1000;
    static constexpr float MinConfidence = 0.6f;

    int sampleRate = 0;
    std::vector<float> samples;
    std::vector<float> pitchHz; ///< one per hop
    double onsetSeconds = 0;
    QString error; ///< why the contour could not be found (the samples are still there)

    double seconds() const { return sampleRate ? double(samples.size()) / sampleRate : 0.0; }
    double hopSeconds() const { return sampleRate ? double(Hop) / sampleRate : 0.0; }
    bool isEmpty() const { return samples.empty(); }

    /// Analyses SAMPLES taken at SAMPLE_RATE.
    static Intonation analyse(std::vector<float> samples, int sampleRate);
    /// The samples of the WAV file PATH (16-bit or float PCM, channels mixed) and its rate;
    /// empty when it is no such file.
    static std::vector<float> readWave(const QString& path, int& sampleRate);
};
