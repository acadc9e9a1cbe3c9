#include "Intonation.h"

#include "AubioLibrary.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cmath>

Intonation Intonation::analyse(std::vector<float> samples, int sampleRate)
{
    Intonation result;
    result.sampleRate = sampleRate;
    result.samples = std::move(samples);
    if (sampleRate <= 0 || result.samples.size() < size_t(Window))
        return result;
    const AubioLibrary* aubio = AubioLibrary::instance(&result.error);
    if (!aubio)
        return result; // the waveform without its contour
    aubio_pitch_t* pitch = aubio->newPitch("yinfast", Window, Hop, uint_t(sampleRate));
    aubio_onset_t* onset = aubio->newOnset("hfc", Window / 2, Hop, uint_t(sampleRate));
    aubio->pitchSetUnit(pitch, "Hz");
    aubio->pitchSetSilence(pitch, -50);
    aubio->onsetSetSilence(onset, -50);
    fvec_t* hop = aubio->newVector(Hop);
    fvec_t* found = aubio->newVector(1);
    fvec_t* onsetFound = aubio->newVector(1);
    double firstOnset = -1;
    double firstVoiced = -1;
    const size_t hops = result.samples.size() / Hop;
    result.pitchHz.reserve(hops);
    for (size_t h = 0; h < hops; ++h) {
        std::copy_n(result.samples.data() + h * Hop, Hop, hop->data);
        aubio->pitchDo(pitch, hop, found);
        const float hz = found->data[0];
        const bool voiced = hz >= LowestHz && hz <= HighestHz && aubio->pitchConfidence(pitch) >= MinConfidence;
        result.pitchHz.push_back(voiced ? hz : 0.0f);
        if (voiced && firstVoiced < 0)
            firstVoiced = double(h * Hop) / sampleRate;
        aubio->onsetDo(onset, hop, onsetFound);
        if (onsetFound->data[0] != 0 && firstOnset < 0)
            firstOnset = aubio->onsetLastSeconds(onset);
    }
    // Speech starts at the first onset; without one (a voice that swells slowly), where
    // the voice is first found.
    result.onsetSeconds = firstOnset >= 0 ? firstOnset : std::max(0.0, firstVoiced);
    aubio->deleteVector(hop);
    aubio->deleteVector(found);
    aubio->deleteVector(onsetFound);
    aubio->deleteOnset(onset);
    aubio->deletePitch(pitch);
    return result;
}

std::vector<float> Intonation::readWave(const QString& path, int& sampleRate)
{
    sampleRate = 0;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return {};
    int channels = 0;
    int bits = 0;
    int format = 0;
    for (qsizetype at = 12; at + 8 <= bytes.size();) {
        const QByteArray id = bytes.mid(at, 4);
        const auto size = qsizetype(qFromLittleEndian<quint32>(bytes.constData() + at + 4));
        const char* body = bytes.constData() + at + 8;
        if (id == "fmt " && size >= 16 && at + 8 + 16 <= bytes.size()) {
            format = qFromLittleEndian<quint16>(body);
            channels = qFromLittleEndian<quint16>(body + 2);
            sampleRate = int(qFromLittleEndian<quint32>(body + 4));
            bits = qFromLittleEndian<quint16>(body + 14);
        } else if (id == "data" && channels > 0) {
            const qsizetype available = std::min(size, bytes.size() - at - 8);
            const int frameBytes = channels * bits / 8;
            if (frameBytes <= 0 || !((format == 1 && bits == 16) || (format == 3 && bits == 32)))
                break;
            std::vector<float> samples(size_t(available / frameBytes));
            for (size_t i = 0; i < samples.size(); ++i) {
                float sum = 0;
                for (int c = 0; c < channels; ++c) {
                    const char* p = body + qsizetype(i) * frameBytes + c * bits / 8;
                    sum += format == 1 ? qFromLittleEndian<qint16>(p) / 32768.0f : qFromLittleEndian<float>(p);
                }
                samples[i] = sum / float(channels);
            }
            return samples;
        }
        at += 8 + size + (size & 1);
    }
    sampleRate = 0;
    return {};
}
