#pragma once

#include "FramedScreen.h"
#include "MediaOwner.h"
#include "PhraseTable.h"
#include "StudyHost.h"

#include <array>
#include <memory>
#include <optional>

class CourseTree;
class OwnVideos;
class PictureSurface;
class QFrame;
class QTextEdit;
class QTreeWidgetItem;
class PhrasePopup;
class RecorderDriver;
class StudyController;
class VideoPlayer;
class VoiceRecording;

/// `frmva`, the conversation video: the lesson's video with its phrase on show in English
/// and Spanish (`e1`), the phrase list `conversacion` to jump from, the tree of the
/// conversation lessons `arbol` to change lesson in place, and the learner's own voice:
/// a take recorded with the record button and played back to compare. The study aids
/// work beside the course's own handlers, through the screen's StudyHost side.
class VideoLearningScreen : public FramedScreen, public StudyHost {
    Q_OBJECT

public:
    /// The slider sets the conversation video's volume, kept in `SavedVolume` for the next lesson.
    void VolumeChange(int value) override;
    enum Action {
        Volume = 4,
        Play = 5,
        PauseVideo = 6,
        ToStart = 7,
        ToEnd = 8,
        NextPhrase = 9,
        PreviousPhrase = 10,
        PauseLesson = 11,
        ToTest = 14,
        Leave = 15,
        Help = 23,
        PlayFullScreen = 24,
        ToggleSpanish = 26,
        ToggleEnglish = 27,
        ToggleFirstPhrase = 28,
        SpanishDown = 29,
        SpanishUp = 30,
        EnglishDown = 31,
        EnglishUp = 32,
        ShowPhraseList = 33,
        ShowTree = 35,
        RecordIndicator = 36,
        RecordButton = 37,
        PlayTake = 38,
        RepeatPhrase = 39,
        Glossary = 40,
        PhotoTextCards = 41,
    };
    /// Row kinds of this screen.
    enum Kind { VideoKind = 3, TreeKind = 16, PhraseListKind = 21, PopupKind = 22, IndicatorKind = 24 };
    /// List entries wider than the list show this many characters and "...".
    static constexpr int ShortPhraseLength = 20;

    explicit VideoLearningScreen(Shell& shell);
    ~VideoLearningScreen() override;

    PictureSurface* videocont = nullptr;
    VideoPlayer* video = nullptr;
    std::array<QTextEdit*, 2> e1 {}; ///< 0 English, 1 Spanish
    QLabel* lbltit = nullptr;
    CourseTree* arbol = nullptr;
    QListWidget* conversacion = nullptr;
    QFrame* Picture2 = nullptr;
    QLabel* TxtFrase = nullptr;
    PhrasePopup* popup = nullptr;
    /// The one owner of the video, the microphone and the speakers.
    MediaOwner* media = nullptr;
    /// The recorder `mm`, shared by the learner's whole take and shadowing.
    RecorderDriver* recorder = nullptr;
    /// The learner's whole take: its indicator and its states.
    VoiceRecording* voice = nullptr;
    /// The study aids over the video with their strip, word notes, chart and key list.
    StudyController* study = nullptr;
    /// The learner's own videos: their place, adding, removing, a moved video.
    OwnVideos* own = nullptr;

    // Screen state, named as the course names it.
    PhraseTable Phrases;
    qint16 CurrentPhrase = -1;
    bool HasIntro = false;
    bool VideoOpened = false;
    double SavedPosition = 0;
    qint32 SavedVolume = 0;
    QString PlayingNodeKey;
    bool TreeClicked = false;
    QChar SelectedLetter = QLatin1Char('N');
    int LastHoverItem = -1;

    /// The record indicator button (action 36), 0 when the screen has none.
    int recordIndicator() const;

    // Handlers, public so that tests drive them as events do.
    void ShowVideoLesson();
    void LoadPhrases();
    void VideoTimer();
    void VideoOpenComplete();
    void PhraseListPress();
    void PhraseListHover(const QPoint& pos);
    void TxtFraseClick();
    void NodeClick(QTreeWidgetItem* item);
    /// Shows and plays LESSON as a click on its node does (0: the lesson on show, or the
    /// course's first conversation when it has gone).
    void playLesson(qint16 lesson);
    void ButtonClick(int index) override;
    /// Runs the action ACCION as button INDEX would (0: the screen has no such button).
    void runAction(int accion, int index);
    /// Runs ACCION as a key or the study strip asks: through its button when the screen has one.
    void runActionByKey(int accion);
    /// The frame's hover reset, except while a take is recorded or played.
    void BackgroundMouseMove(int x, int y) override;
    // What the study aids ask of the screen.
    QWidget& stage() override { return *this; }
    void runStudyAction(int accion) override;
    void releaseSounds() override;
    void restartSounds() override;
    void tell(const QString& text) override;
    /// Opens the glossary on the English term TERM (a word of the subtitle).
    void openGlossaryOn(const QString& term) override;
    StripBounds stripBounds() const override;
    /// Builds the tree again from the learner database (after the map's erase button).
    void refreshTree();

protected:
    void ScreenLoad() override;
    bool loadObject(int kind, const Recordset& row) override;
    bool loadTextObject(const Recordset& row) override;
    void buttonBuilt(int index, const Recordset& row) override;
    void loadFinished() override;
    void activated() override;
    void heldActivation() override;
    void screenLeft() override;
    /// The conversation carries the sound: this screen has no background of its own.
    bool hasBackgroundSound() const override { return false; }
    bool eventFilter(QObject* watched, QEvent* event) override;
    /// Every button and study aid has its key (StudyKeys).
    void keyPressEvent(QKeyEvent* event) override;

private:
    void trampa();
    /// Selects the tree node of CurrentLesson (none when the tree does not list it).
    void selectShownLesson();
    /// Registers CurrentLesson as visited and ticks its node.
    void registerShownLesson();
    void applySidePanelMode();
    void hidePopup();
    void openGlossary(const QString& term);
    /// What ACCION of the course takes hold of when it runs (none: nothing to claim).
    std::optional<MediaOwner::Use> claimFor(int accion) const;
    /// A window was laid over the screen: what runs ends, the video pauses.
    void suspendForOverlay();
    /// Whether ACCION works on the lesson on show (its video, its phrases, its takes).
    static bool usesLesson(int accion);
    /// The learner's lesson on show was removed elsewhere: he is told, and it gives way.
    bool ownLessonGone();
    /// A modal question or dialog opened over the window: a running video pauses ...
    void pauseForModal();
    /// ... and runs on once no modal window is left.
    void resumeAfterModal();
    /// The course's own buttons of the aids, lit and latched while their aid is on.
    void dressAidButtons();
    /// Whether the course has a test to go to.
    bool courseHasTest() const;
    void setSubtitles(const QString& english, const QString& spanish);
    /// Moves the video to the start of entry INDEX.
    void toPhrase(int index);
    void stepPhrase(int step);
    double firstPhraseSeconds() const;
    bool endReached() const;
    void runFromTree();
    void markPlayedNode();
    /// Gives button INDEX its picture COLUMN ("bitmapactivable" or "bitmapactivo").
    void dressButton(int index, bool active);
    void toggleSubtitle(int box, int index);
    void switchSidePanel(bool toList, int index);
    void scrollSubtitle(int box, int lines);
    void stopVideo();
    void traceConvo(const char* op, int accion = -1) const;

    struct ButtonPictures {
        QString activable;
        QString activo;
    };
    std::vector<ButtonPictures> m_pictures; ///< by button index
    /// The course gives the core aids buttons of their own; otherwise its buttons with the
    /// aids' codes are its own decoration and do nothing.
    bool m_ownAidButtons = false;
    QString m_acceptedKey; ///< the node key of the last accepted tree click
    bool m_resumeAfterModal = false; ///< the video was running when a modal window opened
    std::unique_ptr<Recordset> m_lessons; ///< `LessonsTable`
};
