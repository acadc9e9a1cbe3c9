// libFuzzer entry for the subtitle reader and the pairing of two languages: any bytes
// must be read without a crash, a hang or runaway memory, and the cues and phrases that
// come out must hold what the reader promises.
#include "EmbeddedCueText.h"
#include "PhrasePairing.h"
#include "SubtitleReader.h"

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void checkCues(const SubtitleReader::Result& result)
{
    require(result.error.isEmpty() == (result.problem == SubtitleReader::Problem::None));
    require(result.error.isEmpty() || result.cues.isEmpty());
    require(result.cues.size() <= SubtitleReader::kMaxCues);
    qint64 previous = 0;
    for (const SubtitleCue& cue : result.cues) {
        require(cue.startMs >= previous && cue.endMs > cue.startMs);
        require(!cue.text.isEmpty() && cue.text.size() <= 1000 && !cue.text.contains(QLatin1Char('\n')));
        require(cue.text == cue.text.trimmed());
        previous = cue.startMs;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const SubtitleReader::Result whole = SubtitleReader::parse(bytes);
    checkCues(whole);
    // The two halves as the two languages of one video.
    const SubtitleReader::Result english = SubtitleReader::parse(bytes.left(bytes.size() / 2));
    const SubtitleReader::Result spanish = SubtitleReader::parse(bytes.mid(bytes.size() / 2));
    checkCues(english);
    checkCues(spanish);
    // The bytes as one cue of a video's own track, of each kind, and the cues of both
    // halves as such a track's, out of order.
    for (const auto kind : { EmbeddedCueText::Kind::Tagged, EmbeddedCueText::Kind::Ssa, EmbeddedCueText::Kind::Unknown }) {
        const QString text = EmbeddedCueText::text(kind, bytes);
        require(text.size() <= EmbeddedCueText::MaxLength && text == text.trimmed() && !text.contains(QLatin1Char('\n')));
    }
    SubtitleCues track = spanish.cues + english.cues;
    for (SubtitleCue& cue : track)
        cue.endMs = cue.startMs - (cue.endMs - cue.startMs) % 3;
    checkCues(SubtitleReader::fromCues(track));
    const QList<PairedPhrase> phrases = PhrasePairing::pair(english.cues, spanish.cues);
    require(phrases.size() <= std::max(english.cues.size(), spanish.cues.size()));
    require(english.cues.isEmpty() && spanish.cues.isEmpty() ? phrases.isEmpty() : !phrases.isEmpty());
    for (qsizetype i = 0; i < phrases.size(); ++i) {
        require(phrases[i].endMs > phrases[i].startMs);
        require(i == 0 || phrases[i].startMs > phrases[i - 1].startMs);
        require(!english.cues.isEmpty() || phrases[i].english.isEmpty());
        require(!spanish.cues.isEmpty() || phrases[i].spanish.isEmpty());
    }
    return 0;
}
