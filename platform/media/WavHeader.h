#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <optional>

class QIODevice;

/// What the header of a RIFF WAVE file says about its sound: the coding (`fmt `), the
/// sample count its coder wrote down (`fact`) and where the samples are (`data`), and
/// from these the true length in sample frames.
///
/// Files from old discs are taken as they come: chunks in any order with unknown ones
/// skipped, odd chunk sizes padded, a `fact` chunk missing (the length is then counted
/// from the coded blocks), and a data chunk that claims more than the file holds (a
/// truncated copy: only the bytes really there count), a block size that is 0 or wrong
/// on PCM (the frame size follows from the channels and bits).
class WavHeader {
public:
    /// The codings the course's files come in, by their format tag.
    enum Coding : quint16 {
        Pcm = 0x0001,
        MsAdpcm = 0x0002,
        IeeeFloat = 0x0003,
        ALaw = 0x0006,
        MuLaw = 0x0007,
        ImaAdpcm = 0x0011,
        Mpeg = 0x0050,
        MpegLayer3 = 0x0055,
        Extensible = 0xFFFE,
    };

    /// The highest sample rate taken: above it a rate is a damaged header, and the byte
    /// counts made from it (rate × channels × bytes) would no longer fit a WAVE header.
    static constexpr qint64 kMaxSampleRate = 768000;

    /// Reads the header of the WAVE file in DEVICE (open for reading, positioned anywhere).
    /// A device that is no RIFF WAVE file at all gives isWave() false; a WAVE file whose
    /// header cannot be used gives isValid() false with the reason in error().
    static WavHeader read(QIODevice& device);
    /// The same for the file FILE; one that cannot be opened is not valid.
    static WavHeader read(const QString& file);

    /// True when the device starts as a RIFF WAVE file does.
    bool isWave() const { return m_wave; }
    /// True for a WAVE file whose coding and samples were found.
    bool isValid() const { return m_error.isEmpty() && m_wave; }
    QString error() const { return m_error; }

    /// The format tag, the one inside for an extensible header.
    quint16 coding() const { return m_coding; }
    /// The coding's name, for the trace and for messages ("MS ADPCM", "PCM 8-bit"...).
    QString codingName() const;
    int channels() const { return m_channels; }
    int sampleRate() const { return int(std::min<qint64>(m_sampleRate, kMaxSampleRate + 1)); }
    int bitsPerSample() const { return m_bits; }
    /// The bytes of one sample frame as the samples are read: for the codings of fixed
    /// width (PCM, float, A-law, mu-law) the channels times the bytes of a sample, as the
    /// decoder counts them whatever the header declares; for the others the header's.
    int blockAlign() const { return m_blockAlign; }
    /// The block size the format chunk declares (0, or wrong, in some period files).
    int declaredBlockAlign() const { return m_declaredBlockAlign; }
    /// The average bytes per second the format chunk declares (0, or wrong, in some).
    qint64 byteRate() const { return m_byteRate; }
    /// Sample frames in one coded block (ADPCM), 0 when the coding has none.
    int samplesPerBlock() const { return m_samplesPerBlock; }

    /// Where the sound's bytes start in the file.
    qint64 dataOffset() const { return m_dataOffset; }
    /// The sound's bytes as the data chunk declares them.
    qint64 declaredDataSize() const { return m_declaredData; }
    /// The sound's bytes really in the file (fewer than declared in a truncated file).
    qint64 dataSize() const { return m_data; }
    bool isTruncated() const { return m_data < m_declaredData; }
    /// The frame count of the `fact` chunk, when there is one.
    std::optional<qint64> factFrames() const { return m_fact; }

    /// The sound's length in sample frames: the fact chunk's count when the data can hold
    /// it, otherwise what the bytes present decode to; 0 when it cannot be told.
    qint64 frames() const;
    /// The length in seconds.
    double seconds() const;

    /// True for 16-bit PCM whose data is all there: the one form every player times
    /// exactly. Other codings are better decoded into that form before playing.
    bool isPlainPcm16() const;

private:
    void readFormat(const QByteArray& body);
    void check();
    qint64 blockFrames() const;

    bool m_wave = false;
    QString m_error;
    quint16 m_coding = 0;
    int m_channels = 0;
    qint64 m_sampleRate = 0;
    qint64 m_byteRate = 0;
    int m_blockAlign = 0;
    int m_declaredBlockAlign = 0;
    int m_bits = 0;
    int m_samplesPerBlock = 0;
    bool m_haveFormat = false;
    bool m_haveData = false;
    qint64 m_dataOffset = 0;
    qint64 m_declaredData = 0;
    qint64 m_data = 0;
    std::optional<qint64> m_fact;
};
