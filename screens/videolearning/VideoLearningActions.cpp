#include "VideoLearningScreen.h"

#include "CourseError.h"
#include "CourseTree.h"
#include "Database.h"
#include "FrameButton.h"
#include "GlossaryScreen.h"
#include "HelpOverlay.h"
#include "KeyList.h"
#include "ModuleState.h"
#include "Navigator.h"
#include "OwnVideos.h"
#include "PictureSurface.h"
#include "Recordset.h"
#include "Shell.h"
#include "SoundChannels.h"
#include "StudyAids.h"
#include "StudyController.h"
#include "StudyKeys.h"
#include "StudyStrip.h"
#include "TestScreen.h"
#include "Trace.h"
#include "VideoPlayer.h"
#include "VoiceRecording.h"

#include <QApplication>
#include <QJsonObject>
#include <QKeyEvent>
#include <QListWidget>
#include <QScrollBar>
#include <QTextEdit>
#include <QTimer>

// The course's buttons and the keys that stand for them, and what the study aids ask of the screen.

void VideoLearningScreen::toPhrase(int index)
{
    video->setPosition(Phrases[size_t(index)].mseg / 1000.0);
}

void VideoLearningScreen::dressButton(int index, bool active)
{
    const ButtonPictures& pictures = m_pictures.at(size_t(index));
    const QString& name = active ? pictures.activo : pictures.activable;
    if (name.trimmed().isEmpty())
        return;
    FrameButton* b = Imagex[size_t(index)];
    b->setPixmap(loadPicture(name));
    b->resize(b->pixmap().size());
}

void VideoLearningScreen::stepPhrase(int step)
{
    const int next = CurrentPhrase + step;
    if (next < 0 || next >= int(Phrases.size()))
        return;
    toPhrase(next);
    if (video->currentState() != VideoPlayer::Running)
        VideoTimer();
}

void VideoLearningScreen::toggleSubtitle(int box, int index)
{
    if (voice->isRecording() || !e1[size_t(box)])
        return;
    const bool hide = e1[size_t(box)]->isVisible();
    e1[size_t(box)]->setVisible(!hide);
    dressButton(index, !hide);
    button(index).state = hide ? LatchedState : 0;
}

void VideoLearningScreen::switchSidePanel(bool toList, int index)
{
    if (voice->isRecording())
        return;
    ModuleState& state = shell().state();
    state.SidePanelMode = toList ? 2 : 1;
    applySidePanelMode();
    if (!toList)
        hidePopup();
    dressButton(index, false);
    button(index).state = LatchedState;
    if (const int other = buttonWithAction(toList ? ShowTree : ShowPhraseList)) {
        dressButton(other, true);
        button(other).state = 0;
        Imagex[size_t(other)]->hide();
    }
}

void VideoLearningScreen::scrollSubtitle(int box, int lines)
{
    if (QTextEdit* edit = e1[size_t(box)]) {
        QScrollBar* bar = edit->verticalScrollBar();
        bar->setValue(bar->value() + lines * edit->fontMetrics().lineSpacing());
    }
}

void VideoLearningScreen::stopVideo()
{
    video->stop();
}

void VideoLearningScreen::ButtonClick(int index)
{
    runAction(buttons().at(size_t(index)).accion, index);
}

void VideoLearningScreen::keyPressEvent(QKeyEvent* event)
{
    const StudyKeys::Key* key = StudyKeys::find(event->key(), event->modifiers());
    if (!key) {
        FramedScreen::keyPressEvent(event);
        return;
    }
    event->accept();
    int accion = key->accion;
    // Esc over the key list closes the list alone.
    if (accion == Leave && study->keyList()->isVisible()) {
        study->keyList()->hide();
        return;
    }
    if (accion == StudyStrip::KeysAction) {
        study->toggleKeyList();
        return;
    }
    // One key for the two buttons that take turns: play and pause, the list and the tree.
    if (key->otherAccion && accion == Play && video && video->currentState() == VideoPlayer::Running)
        accion = key->otherAccion;
    if (key->otherAccion && accion == ShowPhraseList && conversacion && conversacion->isVisible())
        accion = key->otherAccion;
    runActionByKey(accion);
}

void VideoLearningScreen::runActionByKey(int accion)
{
    if (accion == StudyStrip::KeysAction) {
        study->toggleKeyList();
        return;
    }
    // The learner's own videos are added and removed with or without a video open.
    if (OwnVideos::isOwnAction(accion)) {
        traceConvo("button", accion);
        shell().guarded([&] { own->run(accion, shell().state().CurrentLesson); });
        return;
    }
    shell().guarded([&] {
        // The key runs what the button runs, the button's pictures and latches included;
        // a course's decoration with an aid's code is no button of the aid.
        const bool decoration = StudyAids::isStudyAction(accion) && !m_ownAidButtons;
        if (const int index = decoration ? 0 : buttonWithAction(accion))
            ButtonClick(index);
        else
            runAction(accion, 0);
    });
}

StudyHost::StripBounds VideoLearningScreen::stripBounds() const
{
    // Never over the course's buttons; over its other objects only when nothing else is free.
    StripBounds bounds;
    for (size_t i = 1; i < buttons().size(); ++i) {
        const ButtonRecord& b = buttons()[i];
        bounds.mustAvoid.emplace_back(QPoint(b.left, b.top), QPoint(b.right, b.bottom));
    }
    if (lbltit)
        bounds.mustAvoid.push_back(lbltit->geometry());
    bounds.shouldAvoid = { QRect(videocont->pos(), video->size()), arbol->geometry(), conversacion->geometry() };
    for (QWidget* w : { static_cast<QWidget*>(e1[0]), static_cast<QWidget*>(e1[1]) }) {
        if (w)
            bounds.shouldAvoid.push_back(w->geometry());
    }
    return bounds;
}

void VideoLearningScreen::runStudyAction(int accion)
{
    runActionByKey(accion);
}

void VideoLearningScreen::releaseSounds()
{
    shell().sounds().ReleaseSoundChannels();
}

void VideoLearningScreen::restartSounds()
{
    startScreenSounds();
}

void VideoLearningScreen::tell(const QString& text)
{
    // The message lies over the screen: closing it must not show the lesson afresh.
    shell().state().ExplorerOpen = true;
    shell().showMessage(text);
}

void VideoLearningScreen::runAction(int accion, int index)
{
    traceConvo("button", accion);
    if (!VideoOpened && accion != ToTest && accion != Leave && accion != Help)
        return;
    if (StudyAids::isStudyAction(accion) && index && !m_ownAidButtons) {
        traceConvo("decoration", accion);
        return;
    }
    if (usesLesson(accion) && ownLessonGone())
        return;
    // Whatever would use the video or the sound device asks their owner first.
    if (const std::optional<MediaOwner::Use> use = claimFor(accion); use && !media->claim(*use))
        return;
    const bool lesson = SelectedLetter == QLatin1Char('N');
    ModuleState& state = shell().state();
    switch (accion) {
    case Volume:
        volumen->show();
        volumen->raise();
        break;
    case Play:
        if (lesson)
            runFromTree();
        break;
    case PauseVideo: video->pause(); break;
    case ToStart:
        if (!lesson)
            break;
        video->setPosition(state.StartAtFirstPhrase && HasIntro ? firstPhraseSeconds() : 0.0);
        CurrentPhrase = -1;
        setSubtitles({}, {});
        break;
    case ToEnd:
        if (lesson)
            video->setPosition(video->duration());
        break;
    case NextPhrase:
        if (lesson)
            stepPhrase(1);
        break;
    case PreviousPhrase: stepPhrase(-1); break;
    case PauseLesson:
        if (lesson)
            video->pause();
        break;
    case ToTest:
        if (!courseHasTest()) {
            traceConvo("no-test", accion);
            break;
        }
        stopVideo();
        shell().navigator().SwitchScreen(this, Navigator::ScreenWindow(14));
        break;
    case Leave:
        hidePopup();
        stopVideo();
        videocont->hide();
        shell().navigator().GoHome(state.CurrentScreen);
        break;
    case Help:
        // The help lies over the screen: the video pauses where it is.
        suspendForOverlay();
        state.ExplorerOpen = true;
        HelpOverlay::open(shell(), *this);
        break;
    case PlayFullScreen:
        video->pause();
        video->setFullScreenMode(VideoPlayer::FullScreenMode::On);
        video->run();
        video->setVolume(state.Volume);
        break;
    case ToggleSpanish: toggleSubtitle(1, index); break;
    case ToggleEnglish: toggleSubtitle(0, index); break;
    case ToggleFirstPhrase:
        state.StartAtFirstPhrase = !state.StartAtFirstPhrase;
        dressButton(index, !state.StartAtFirstPhrase);
        button(index).state = state.StartAtFirstPhrase ? LatchedState : 0;
        break;
    case SpanishDown: scrollSubtitle(1, 1); break;
    case SpanishUp: scrollSubtitle(1, -1); break;
    case EnglishDown: scrollSubtitle(0, 1); break;
    case EnglishUp: scrollSubtitle(0, -1); break;
    case ShowPhraseList: switchSidePanel(true, index); break;
    case ShowTree: switchSidePanel(false, index); break;
    case RecordIndicator: voice->toggle(); break;
    case RecordButton:
        if (voice->indicator())
            ButtonClick(voice->indicator());
        dressButton(index, !voice->isRecording());
        break;
    case PlayTake: voice->playTake(); break;
    case RepeatPhrase: {
        if (!lesson || Phrases.empty())
            break;
        video->stop();
        toPhrase(std::max<int>(CurrentPhrase, 0));
        video->run();
        CurrentPhrase = -1; // written again at the next tick
        break;
    }
    case Glossary:
    case PhotoTextCards: {
        const QString name = accion == Glossary ? QStringLiteral("frmind") : Navigator::ScreenWindow(7);
        if (!shell().window(name)) {
            shell().trace().event("convo", { { QStringLiteral("op"), QStringLiteral("button") }, { QStringLiteral("accion"), accion },
                                               { QStringLiteral("reason"), QStringLiteral("no window %1 in this program").arg(name) } });
            break;
        }
        if (accion == Glossary) {
            // The glossary lies over the screen, which pauses the video where it is.
            state.ExplorerOpen = true;
            shell().navigator().OpenGlossary();
        } else {
            stopVideo();
            shell().navigator().SwitchScreen(this, name);
        }
        break;
    }
    default: study->aids().run(accion); break;
    }
}

void VideoLearningScreen::openGlossaryOn(const QString& term)
{
    shell().guarded([&] { openGlossary(term); });
}

void VideoLearningScreen::openGlossary(const QString& term)
{
    if (!shell().window(QStringLiteral("frmind")))
        return;
    shell().state().ExplorerOpen = true;
    shell().navigator().OpenGlossary();
    if (auto* glossary = qobject_cast<GlossaryScreen*>(shell().existingWindow(QStringLiteral("frmind"))))
        glossary->showEnglishTerm(term);
}

void VideoLearningScreen::VolumeChange(int value)
{
    // This screen has no background sound: the slider is the video's.
    video->setVolume(-value);
    SavedVolume = video->volume();
    shell().trace().event("convo", { { QStringLiteral("op"), QStringLiteral("volume") }, { QStringLiteral("volume"), SavedVolume } });
}

std::optional<MediaOwner::Use> VideoLearningScreen::claimFor(int accion) const
{
    using Use = MediaOwner::Use;
    switch (accion) {
    case Play:
    case RepeatPhrase:
    case PlayFullScreen: return Use::VideoRun;
    case PauseVideo:
    case ToStart:
    case ToEnd:
    case NextPhrase:
    case PreviousPhrase:
    case PauseLesson: return Use::VideoMove;
    case RecordIndicator:
    case RecordButton:
        // Its stop claims nothing.
        if (!voice->isRecording())
            return Use::CourseTake;
        break;
    case PlayTake: return Use::CoursePlayback;
    default: break;
    }
    return std::nullopt;
}

void VideoLearningScreen::suspendForOverlay()
{
    media->suspend();
    if (video->currentState() == VideoPlayer::Running)
        video->pause();
    SavedPosition = video->position();
    traceConvo("suspend");
}

bool VideoLearningScreen::usesLesson(int accion)
{
    switch (accion) {
    case Play:
    case ToStart:
    case ToEnd:
    case NextPhrase:
    case PreviousPhrase:
    case RecordIndicator:
    case RecordButton:
    case PlayTake:
    case RepeatPhrase:
    case PlayFullScreen: return true;
    default: return StudyAids::isStudyAction(accion);
    }
}

bool VideoLearningScreen::ownLessonGone()
{
    // The store is shared with the command line: a lesson may be removed there while it is
    // on show here. Nothing more is done with it (no take is kept for it); the course's
    // first conversation takes its place, as when it is removed here.
    const qint16 lesson = shell().state().CurrentLesson;
    if (!OwnLessons::isOwnLesson(lesson) || own->shown(lesson))
        return false;
    media->endAll();
    stopVideo();
    shell().trace().event("ownvideo", { { QStringLiteral("op"), QStringLiteral("gone") }, { QStringLiteral("lesson"), lesson } });
    tell(QStringLiteral("Esta lección ya no está en Mis vídeos: se ha quitado fuera de este programa."));
    QTimer::singleShot(0, this, [this, lesson] {
        shell().guarded([&] {
            refreshTree();
            if (isVisible() && shell().state().CurrentLesson == lesson)
                playLesson(0);
        });
    });
    return true;
}

void VideoLearningScreen::pauseForModal()
{
    // A question or a file dialog holds the learner's attention: the video waits for him,
    // and runs on once the last of them has closed (heldActivation()).
    if (!isVisible() || video->currentState() != VideoPlayer::Running)
        return;
    video->pause();
    SavedPosition = video->position();
    m_resumeAfterModal = true;
    traceConvo("modal-pause");
}

void VideoLearningScreen::resumeAfterModal()
{
    if (!m_resumeAfterModal || QApplication::activeModalWidget())
        return;
    m_resumeAfterModal = false;
    if (video->currentState() == VideoPlayer::Paused && media->claim(MediaOwner::Use::VideoRun))
        video->run();
    traceConvo("modal-resume");
}

void VideoLearningScreen::dressAidButtons()
{
    if (!m_ownAidButtons)
        return;
    bool switchedOff = false;
    for (size_t i = 1; i < buttons().size(); ++i) {
        const int accion = buttons()[i].accion;
        if (!StudyAids::isStudyAction(accion))
            continue;
        const bool on = study->isOn(accion);
        if ((buttons()[i].state == LatchedState) == on)
            continue;
        // As the course's own toggles: on, the lit picture stays; off, the rest picture.
        dressButton(int(i), !on);
        button(int(i)).state = on ? LatchedState : 0;
        if (on)
            Imagex[i]->show();
        switchedOff = switchedOff || !on;
    }
    // Off, a button is at rest as the frame's are: hidden unless the pointer is on it.
    if (switchedOff)
        pointerSettled();
}

bool VideoLearningScreen::courseHasTest() const
{
    Database& content = *shell().state().ContentDb;
    if (!shell().window(QStringLiteral("frmtest")) || !content.hasTable(QStringLiteral("test")))
        return false;
    try {
        const QString where = QStringLiteral(" where n_leccion = %1").arg(TestScreen::TestLesson);
        return !content.openRecordset(QStringLiteral("select * from lecciones") + where)->isEof()
            && !content.openRecordset(QStringLiteral("select * from test") + where)->isEof();
    } catch (const CourseError&) {
        return false;
    }
}
