#pragma once

#include "OwnLessonSource.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <functional>
#include <memory>

class AddVideoFlow;
class CourseTree;
class QTreeWidgetItem;
class Shell;
class VideoPlayer;

/// The learner's own videos on the conversation screen: where they are shown and how
/// large, adding one (AddVideoFlow), removing one (asked first), and a lesson whose video
/// has moved (MissingVideoPrompt). The screen hands it what it may do to the screen.
///
/// Trace: `ownvideo` {op: "remove", lesson, removed}, {op: "relocate", lesson, video, ok},
/// besides the flow's and the prompt's.
class OwnVideos : public QObject {
    Q_OBJECT

public:
    /// The key list's and the strip's codes of the two actions (no course button has them).
    static constexpr int AddVideoAction = -2;
    static constexpr int RemoveVideoAction = -3;
    static bool isOwnAction(int accion) { return accion == AddVideoAction || accion == RemoveVideoAction; }

    /// What the screen lets these actions do.
    struct Host {
        std::function<void(qint16 lesson)> play;   ///< shows and plays LESSON (0: the course's first conversation)
        std::function<void()> refreshTree;
        std::function<void()> stopMedia;           ///< ends what plays or records
        std::function<bool()> isRecording;         ///< a take keeps its lesson
    };

    /// A lesson as the screen shows it.
    struct Shown {
        QString title;
        QString video; ///< absolute path
        QPoint place;  ///< top-left corner of the video area
    };

    OwnVideos(Shell& shell, QWidget& stage, Host host);
    ~OwnVideos() override;

    /// The screen's video area: the `pantalla` row of the video (ancho x alto at X, Y).
    void setVideoArea(const QRect& row) { m_rowArea = row; }
    /// The area an own lesson's video is fitted into: the row's size at the first course
    /// conversation's place (the row's own place when the course has none).
    QRect videoArea() const;
    /// Where a picture of NATURAL size goes.
    QRect fitted(const QSize& natural) const;

    /// The lessons of the learner folder the module state names now.
    OwnLessonSource& source();
    /// LESSON as shown; nullopt when the learner has no such lesson (any more).
    std::optional<Shown> shown(qint16 lesson);
    PhraseTable phrases(qint16 lesson) { return source().phrases(lesson); }

    /// Gives PLAYER the lesson's video; when it is not there any more, the learner is
    /// asked what to do once the screen has been shown.
    void openVideo(VideoPlayer& player, qint16 lesson, const QString& video);
    /// LESSON's VIDEO has gone (deleted or moved while on show): the learner is asked what
    /// to do, as when it opens.
    void videoLost(qint16 lesson, const QString& video);

    /// Runs AddVideoAction or RemoveVideoAction (of LESSON); false for other codes.
    bool run(int accion, qint16 lesson);
    void addVideo();
    /// Asks, then removes LESSON's rows and takes (never its files).
    void removeLesson(qint16 lesson);
    /// The tree's menu: adding, and removing the lesson under the pointer.
    void attachMenu(CourseTree& tree);

    /// The adding of videos, made at its first use.
    AddVideoFlow& flow();

private:
    void videoMissing(qint16 lesson, const QString& video);
    void lookFor(qint16 lesson, const QString& video);
    void showMenu(CourseTree& tree, const QPoint& pos);

    Shell& m_shell;
    QWidget& m_stage;
    Host m_host;
    QRect m_rowArea;
    std::unique_ptr<OwnLessonSource> m_source;
    QString m_sourceFolder;
    AddVideoFlow* m_flow = nullptr;
};
