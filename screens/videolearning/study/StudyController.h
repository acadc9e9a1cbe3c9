#pragma once

#include "MediaOwner.h"
#include "PhraseTable.h"

#include <QObject>
#include <optional>

class Database;
class IntonationView;
class KeyList;
class QListWidget;
class QTextEdit;
class RecorderDriver;
class StudyAids;
class StudyHost;
class StudyStrip;
class SubtitleWords;
class Trace;
class VideoPlayer;

/// The study aids of the conversation screen with everything they show: the aids
/// themselves, the study strip, the notes on the subtitle's words, the intonation chart,
/// the key list and the takes' menu on the phrase list. It talks to the screen only
/// through its StudyHost.
class StudyController : public QObject {
    Q_OBJECT

public:
    StudyController(StudyHost& host, MediaOwner& media, VideoPlayer& video, const PhraseTable& phrases, RecorderDriver& recorder, Trace& trace);
    ~StudyController() override;

    /// Builds what the aids show once the screen's rows are loaded: the word notes on
    /// ENGLISH (may be null), the takes' marks and menu on LIST, the strip when the course
    /// has no OwnButtons for the aids.
    enum class Buttons { Own, None };
    void build(QTextEdit* english, QListWidget& list, Database& content, const QString& userFolder, Buttons buttons);

    StudyAids& aids() const { return *m_aids; }
    StudyStrip* strip() const { return m_strip; }
    SubtitleWords* words() const { return m_words; }
    KeyList* keyList() const { return m_keyList; }
    IntonationView* intonation() const { return m_intonation; }

    /// The lesson on show changes: the aids stop and keep the lesson's takes.
    void setLesson(int lesson, const QString& userFolder);
    /// Marks the list's phrases that have takes.
    void markTakes();
    /// Puts the strip where it covers none of the course's buttons.
    void placeStrip();
    void toggleKeyList();
    /// The screen is left: whatever an aid does ends, the chart and the key list close.
    void stop();

    /// What aid ACCION would take hold of, now, when it runs (none: it starts nothing).
    std::optional<MediaOwner::Use> useOf(int accion) const;
    /// Whether aid ACCION is on now (its button lit and latched).
    bool isOn(int accion) const;

signals:
    /// Something an aid's button shows may have changed.
    void aidsChanged();

private:
    void showIntonation(int index);

    StudyHost& m_host;
    MediaOwner& m_media;
    VideoPlayer& m_video;
    Trace& m_trace;
    StudyAids* m_aids = nullptr;
    QListWidget* m_list = nullptr;
    StudyStrip* m_strip = nullptr;
    SubtitleWords* m_words = nullptr;
    KeyList* m_keyList = nullptr;
    IntonationView* m_intonation = nullptr;
};
