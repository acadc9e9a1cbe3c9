#pragma once

#include "OwnLessons.h"
#include "SubtitlesBeside.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QFrame;
class QLabel;
class QThread;
class QTimer;
class QWidget;
class Shell;

/// Adding a video of the learner's own from the conversation screen: the video picked in
/// a file dialog (in Spanish), for a language with no subtitle file beside it the question
/// whether to pick one, then the adding itself on a worker thread (it probes the video),
/// with a sign on the stage that it is under way; the window goes on answering. A failure
/// is told in the shell's message window, naming the file; a success is announced by added().
///
/// Trace: `ownvideo` {op: "add", video} when the adding starts, {op: "added", lesson,
/// notes} or {op: "add-failed", video, error, detail} when it ends.
class AddVideoFlow : public QObject {
    Q_OBJECT

public:
    AddVideoFlow(Shell& shell, QWidget& stage, QString learnerFolder);
    ~AddVideoFlow() override;

    /// Asks for the video and the subtitles missing beside it, then starts the adding.
    /// False when the learner gave up, or an adding is still under way.
    bool start();
    /// Starts adding REQUEST on the worker thread; false while another adding runs.
    bool run(const OwnLessons::Request& request);
    bool isBusy() const { return m_worker != nullptr; }

    /// The file dialog of the learner's own videos: Qt's own (not the desktop's), so that it
    /// speaks the learner's language with Qt's catalogue, modal over PARENT; the path
    /// picked, empty when cancelled.
    static QString pickFile(Shell& shell, QWidget* parent, const QString& caption, const QString& filter, const QString& folder);

    /// The name filter of the videos the player plays.
    static QString videoFilter();
    static QString subtitleFilter();

signals:
    /// The lesson LESSON has been added (and the sign tells the notes, if any).
    void added(qint16 lesson);
    /// The adding ended without a lesson; the learner has been told TEXT.
    void failed(const QString& text);

private:
    /// The subtitle file for LANGUAGE: empty when one lies beside VIDEO or the learner goes
    /// without; otherwise the one he picked.
    QString askForSubtitles(const QString& video, SubtitlesBeside::Language language);
    void finish(const OwnLessons::Added& result, const QString& video);
    void showSign(const QString& text, bool busy);

    Shell& m_shell;
    QWidget& m_stage;
    QString m_learnerFolder;
    QThread* m_worker = nullptr;
    QPointer<QFrame> m_sign;
    QLabel* m_signText = nullptr;
    QWidget* m_signBar = nullptr;
    QTimer* m_signTimer = nullptr; ///< hides the notes of a finished adding
};
