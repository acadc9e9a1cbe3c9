#include "VideoLearningScreen.h"

#include "ConversationRows.h"
#include "CourseError.h"
#include "CourseTree.h"
#include "FrameButton.h"
#include "MediaProblem.h"
#include "ModuleState.h"
#include "Navigator.h"
#include "OwnVideos.h"
#include "PhrasePopup.h"
#include "PictureSurface.h"
#include "RecorderDriver.h"
#include "Recordset.h"
#include "Shell.h"
#include "SoundChannels.h"
#include "StudyAids.h"
#include "StudyController.h"
#include "Trace.h"
#include "VideoPlayer.h"
#include "VisitedLessons.h"
#include "VoiceRecording.h"
#include "WaveRecorder.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QTextEdit>
#include <QTimer>
#include <cmath>

VideoLearningScreen::VideoLearningScreen(Shell& shell)
    : FramedScreen(shell, QStringLiteral("frmva"), 12)
    , media(new MediaOwner(shell.trace(), this))
    , recorder(new RecorderDriver(shell.trace(), this))
    , voice(new VoiceRecording(shell, *this, *recorder,
          { [this] { stopVideo(); }, [this] { startScreenSounds(); }, [this](const QString& name) { return loadPicture(name); } }))
{
}

VideoLearningScreen::~VideoLearningScreen()
{
    // The recorder's device may serve events while it closes: whatever would answer them
    // (the indicator's blink, the shadowing's timer) goes before it.
    delete study;
    delete voice;
    delete recorder;
}

void VideoLearningScreen::ScreenLoad()
{
    shell().state().SidePanelMode = 1;
    videocont = new PictureSurface(Picture1);
    videocont->setObjectName(QStringLiteral("videocont"));
    videocont->hide();
    connect(videocont, &PictureSurface::moved, this, [this] {
        volumen->hide();
        hidePopup();
    });
    video = new VideoPlayer(videocont);
    video->setObjectName(QStringLiteral("video"));
    video->setTrace(&shell().trace());
    video->setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(video, &VideoPlayer::openComplete, this, [this] { shell().guarded([&] { VideoOpenComplete(); }); });
    connect(video, &VideoPlayer::timer, this, [this] { shell().guarded([&] { VideoTimer(); }); });
    // Our player's ticks stop with the video; the tick at the very end, which marks
    // the lesson as seen, is given here.
    connect(video, &VideoPlayer::stateChange, this, [this](int, int newState) {
        if (newState == VideoPlayer::Stopped && VideoOpened && endReached()) {
            shell().guarded([&] { VideoTimer(); });
            traceConvo("end");
        }
    });
    study = new StudyController(*this, *media, *video, Phrases, *recorder, shell().trace());
    media->enrol(MediaOwner::Use::CourseTake, { [this] { return voice->isRecording(); }, [this] { voice->stopIfRecording(); } });
    media->enrol(MediaOwner::Use::CoursePlayback, { [this] { return voice->isPlayingTake(); }, [this] { voice->stopPlaying(); } });
    connect(study, &StudyController::aidsChanged, this, [this] {
        dressAidButtons();
        // At a pause after a phrase the subtitles, the list and the keys go by the phrase just heard.
        if (VideoOpened && (study->aids().pauseAfterPhrase() || study->aids().isWaiting()))
            shell().guarded([&] { VideoTimer(); });
    });
    connect(&shell(), &Shell::overlayShown, this, [this] {
        if (isVisible())
            suspendForOverlay();
    });
    connect(video, &VideoPlayer::readyStateChange, this, [this](int state) {
        if (state != VideoPlayer::Uninitialized || video->fileName().isEmpty())
            return;
        // A learner's video that went while on show is his to look for, as when it opens.
        const qint16 lesson = shell().state().CurrentLesson;
        if (OwnLessons::isOwnLesson(lesson) && !QFileInfo(video->fileName()).isFile())
            own->videoLost(lesson, video->fileName());
        else
            reportMediaProblem(shell(), this, CourseError(QStringLiteral("Cannot play the video file %1").arg(video->fileName())));
    });

    own = new OwnVideos(shell(), *this,
        { [this](qint16 lesson) { playLesson(lesson); }, [this] { refreshTree(); }, [this] { media->endAll(); },
            [this] { return voice->isRecording(); } });

    arbol = new CourseTree(shell(), this, CourseTree::VideoLearning);
    arbol->setObjectName(QStringLiteral("arbol"));
    arbol->hide();
    // The keys belong to the screen: neither the tree nor the list keeps the focus.
    arbol->setFocusPolicy(Qt::NoFocus);
    connect(arbol, &CourseTree::nodeClicked, this, [this](QTreeWidgetItem* item) { shell().guarded([&] { NodeClick(item); }); });
    connect(arbol, &CourseTree::pointerPressed, this, [this] { TreeClicked = true; });
    connect(arbol, &CourseTree::nodeExpanded, this, [this] { TreeClicked = false; });
    own->attachMenu(*arbol);

    conversacion = new QListWidget(this);
    conversacion->setObjectName(QStringLiteral("conversacion"));
    conversacion->hide();
    conversacion->setMouseTracking(true);
    conversacion->setFocusPolicy(Qt::NoFocus);
    conversacion->viewport()->installEventFilter(this);
    connect(conversacion, &QListWidget::itemPressed, this, [this] { shell().guarded([&] { PhraseListPress(); }); });

    popup = new PhrasePopup(*this, *conversacion);
    Picture2 = popup->frame();
    TxtFrase = popup->text();
    connect(popup, &PhrasePopup::clicked, this, [this] { shell().guarded([&] { TxtFraseClick(); }); });

    m_pictures.assign(1, {});
    FramedScreen::ScreenLoad();
}

bool VideoLearningScreen::loadObject(int kind, const Recordset& row)
{
    switch (kind) {
    case VideoKind:
        video->resize(int(row.number(QStringLiteral("ancho"))), int(row.number(QStringLiteral("alto"))));
        own->setVideoArea(QRect(QPoint(int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y")))), video->size()));
        return true;
    case TreeKind:
        arbol->placeFromRow(row);
        return true;
    case PhraseListKind:
        conversacion->setGeometry(ConversationRows::geometry(row));
        conversacion->setFont(ConversationRows::font(row));
        ConversationRows::applyFontColour(*conversacion, row, QPalette::Text);
        conversacion->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        ToggleWindowBorder(*conversacion);
        return true;
    case PopupKind:
        popup->place(row);
        return true;
    case IndicatorKind:
        voice->setIndicatorPictures({ row.text(QStringLiteral("bitmapreposo")), row.text(QStringLiteral("bitmapactivable")) });
        return true;
    default: return false;
    }
}

bool VideoLearningScreen::loadTextObject(const Recordset& row)
{
    const int id = int(row.number(QStringLiteral("identificativo")));
    if (id == 3) {
        lbltit = ConversationRows::title(*this, row);
        return true;
    }
    if (id != 1 && id != 2)
        return false;
    e1.at(size_t(id - 1)) = ConversationRows::subtitleBox(*this, row, QStringLiteral("e1_%1").arg(id - 1));
    return true;
}

void VideoLearningScreen::buttonBuilt(int index, const Recordset& row)
{
    m_pictures.resize(size_t(index) + 1);
    m_pictures[size_t(index)] = { row.text(QStringLiteral("bitmapactivable")), row.text(QStringLiteral("bitmapactivo")) };
    const int accion = int(row.number(QStringLiteral("accion")));
    if (accion == Volume)
        placeVolumePanel(Imagex[size_t(index)]->x(), Imagex[size_t(index)]->y() + Imagex[size_t(index)]->height());
    if (accion == RecordIndicator)
        voice->setIndicator(index);
    if (accion == SpanishDown || accion == SpanishUp || accion == EnglishDown || accion == EnglishUp) {
        connect(Imagex[size_t(index)], &FrameButton::pressed, this, [this](int i) { dressButton(i, false); });
        connect(Imagex[size_t(index)], &FrameButton::released, this, [this](int i) { dressButton(i, true); });
    }
}

void VideoLearningScreen::loadFinished()
{
    voice->recorder().setWait(true);
    Imagex.front()->setEnabled(false);
    // A course gives the aids buttons when it gives the pause after each phrase, the going on
    // and the loop; a few buttons with the aids' codes without these are its own decoration.
    const std::array core { StudyAids::PauseAfterPhrase, StudyAids::GoOn, StudyAids::LoopPhrase };
    m_ownAidButtons = std::all_of(core.cbegin(), core.cend(), [this](int a) { return buttonWithAction(a) != 0; });
    study->build(e1[0], *conversacion, *shell().state().ContentDb, shell().state().UserFolder,
        m_ownAidButtons ? StudyController::Buttons::Own : StudyController::Buttons::None);
    arbol->visitedLessons();
    arbol->Raiz();
    if (const int tree = buttonWithAction(ShowTree)) {
        Imagex[size_t(tree)]->show();
        dressButton(tree, false);
        button(tree).state = LatchedState;
    }
    trampa();
    selectShownLesson();
    arbol->UpdateCompletionIcons();
}

void VideoLearningScreen::selectShownLesson()
{
    // Play marks the selected node, so the selection must be the lesson on show, however
    // the learner came to it: the tree, the map, the navigation list.
    m_acceptedKey = CourseTree::nodeKey(QLatin1Char('N'), shell().state().CurrentLesson);
    QTreeWidgetItem* shown = arbol->node(m_acceptedKey);
    arbol->setCurrentItem(shown);
    if (shown)
        arbol->showSelectedNode();
    else
        arbol->clearSelection();
    SelectedLetter = QLatin1Char('N');
}

void VideoLearningScreen::registerShownLesson()
{
    // A lesson on show is a visited lesson, whichever way led to it: its row in the
    // learner's register and its tick in the tree, as a restart would show them.
    const qint16 lesson = shell().state().CurrentLesson;
    arbol->visitedLessons().MarkLessonVisited(lesson);
    if (QTreeWidgetItem* node = arbol->node(CourseTree::nodeKey(QLatin1Char('N'), lesson))) {
        arbol->setNodeIcon(node, CourseTree::SecondIcon);
        arbol->UpdateCompletionIcons();
    }
}

void VideoLearningScreen::trampa()
{
    // The lesson that led here is shown when it is a conversation; only a way in from
    // elsewhere (the test) falls back to the first conversation of the course.
    ModuleState& state = shell().state();
    if (OwnLessons::isOwnLesson(state.CurrentLesson) && own->shown(state.CurrentLesson))
        return; // one of the learner's own videos
    auto lessons = state.ContentDb->openRecordset(QStringLiteral("select * from lecciones where tipo = 12 order by N_leccion"));
    if (!lessons->findFirst(QStringLiteral("N_leccion = %1").arg(state.CurrentLesson))) {
        lessons->moveFirst();
        if (!lessons->isEof())
            state.CurrentLesson = qint16(lessons->number(QStringLiteral("N_leccion")));
    }
}

void VideoLearningScreen::activated()
{
    voice->reset();
    applySidePanelMode();
    // A lesson of the learner's that has gone since (the history leads back to it) gives way.
    if (OwnLessons::isOwnLesson(shell().state().CurrentLesson))
        trampa();
    // Modal windows block the whole window, which tells it (WindowBlocked).
    if (window() != this)
        window()->installEventFilter(this);
    ShowVideoLesson();
    selectShownLesson();
    m_lessons = shell().state().ContentDb->openRecordset(QStringLiteral("lecciones"));
    setSubtitles({}, {});
    study->placeStrip();
    Picture1->setFocus();
}

void VideoLearningScreen::heldActivation()
{
    // Back from a window that lay over the screen: the video goes on where it was. A video
    // still there is not moved: a move would end the hold at a phrase's end.
    if (std::abs(video->position() - SavedPosition) > 0.001)
        video->setPosition(SavedPosition);
    shell().state().ExplorerOpen = false;
    traceConvo("resume");
    resumeAfterModal();
}

void VideoLearningScreen::screenLeft()
{
    if (isLoaded()) {
        media->endAll();
        study->stop();
    }
    FramedScreen::screenLeft();
}

void VideoLearningScreen::applySidePanelMode()
{
    const quint8 mode = shell().state().SidePanelMode;
    arbol->setVisible(mode == 1);
    conversacion->setVisible(mode == 2);
}

void VideoLearningScreen::ShowVideoLesson()
{
    const ModuleState& state = shell().state();
    const bool ownLesson = OwnLessons::isOwnLesson(state.CurrentLesson);
    std::optional<OwnVideos::Shown> shown = ownLesson ? own->shown(state.CurrentLesson) : std::nullopt;
    if (!ownLesson) {
        auto lessons = state.ContentDb->openRecordset(QStringLiteral("lecciones"));
        if (!lessons->findFirst(QStringLiteral("N_leccion = %1").arg(state.CurrentLesson)))
            throw CourseError(QStringLiteral("%1: lesson %2 is not in lecciones").arg(state.ContentDb->fileName()).arg(state.CurrentLesson));
        shown = OwnVideos::Shown { lessons->text(QStringLiteral("nombre_leccion")), lessons->text(QStringLiteral("nombre_fichero1")),
            QPoint(int(lessons->number(QStringLiteral("X"))), int(lessons->number(QStringLiteral("Y")))) };
        HasIntro = lessons->value(QStringLiteral("presentacion")).toBool();
    } else {
        // The learner's videos have no introduction; one he has removed shows nothing.
        HasIntro = false;
        if (!shown)
            shown = OwnVideos::Shown { OwnLessons::ChapterTitle, {}, own->videoArea().topLeft() };
    }
    media->endAll();
    m_resumeAfterModal = false; // another lesson: what was held goes
    if (lbltit)
        lbltit->setText(shown->title);
    conversacion->clear();
    videocont->hide();
    videocont->move(shown->place);
    study->setLesson(state.CurrentLesson, state.UserFolder);
    LoadPhrases();
    video->stop();
    if (ownLesson) {
        own->openVideo(*video, state.CurrentLesson, shown->video);
    } else {
        try {
            video->setFileName(state.Folder.require(shown->video));
        } catch (const CourseError& error) {
            // The tree and the way out stay usable without the video.
            video->setFileName(QString());
            reportMediaProblem(shell(), this, error);
        }
    }
    // A lesson without its video was not seen.
    if (!video->fileName().isEmpty())
        registerShownLesson();
    traceConvo("setup");
}

void VideoLearningScreen::LoadPhrases()
{
    const ModuleState& state = shell().state();
    const qint16 lesson = state.CurrentLesson;
    Phrases = OwnLessons::isOwnLesson(lesson) ? own->phrases(lesson) : coursePhrases(*state.ContentDb, lesson, HasIntro);
    conversacion->clear();
    hidePopup(); // its phrase belonged to the lesson before
    const QFontMetrics metrics(conversacion->font());
    const int room = conversacion->width();
    for (int i = 0; i < int(Phrases.size()); ++i) {
        QString text = Phrases[size_t(i)].frase_en;
        if (metrics.horizontalAdvance(text) > room)
            text = text.left(ShortPhraseLength) + QStringLiteral("...");
        auto* item = new QListWidgetItem(text, conversacion);
        item->setData(Qt::UserRole, i);
    }
    study->markTakes();
    CurrentPhrase = -1;
}

void VideoLearningScreen::setSubtitles(const QString& english, const QString& spanish)
{
    if (e1[0])
        e1[0]->setPlainText(english);
    if (e1[1])
        e1[1]->setPlainText(spanish);
}

void VideoLearningScreen::VideoTimer()
{
    double p = video->position();
    // With the pause after each phrase the phrase just heard is the current one, to the
    // millisecond: the course's whole seconds would show the next one at the pause.
    const bool heard = study->aids().pauseAfterPhrase() || study->aids().isWaiting();
    const qint16 k = heard ? qint16(study->aids().heardPhrase()) : FindPhraseIndex(Phrases, p);
    if (k != CurrentPhrase && k >= 0) {
        const PhraseEntry& entry = Phrases[size_t(k)];
        setSubtitles(entry.frase_en, entry.frase_sp);
        CurrentPhrase = k;
        shell().trace().event("phrase", { { QStringLiteral("index"), k }, { QStringLiteral("position"), video->position() } });
    }
    if (heard && k >= 0 && k < conversacion->count() && conversacion->currentRow() != k)
        conversacion->setCurrentRow(k);
    if (endReached())
        markPlayedNode();
    SavedPosition = video->position();
}

bool VideoLearningScreen::endReached() const
{
    // Without a video, or while one is still opening, the duration is 0 and any position
    // would be "at the end": nothing was watched then.
    if (video->readyState() != VideoPlayer::Interactive || video->duration() <= 0)
        return false;
    return video->duration() - 0.4 <= video->position();
}

double VideoLearningScreen::firstPhraseSeconds() const
{
    return Phrases.empty() ? 0.0 : Phrases.front().mseg / 1000.0;
}

void VideoLearningScreen::markPlayedNode()
{
    if (QTreeWidgetItem* node = arbol->node(PlayingNodeKey)) {
        arbol->setNodeIcon(node, CourseTree::SecondIcon);
        arbol->UpdateCompletionIcons();
    }
}

void VideoLearningScreen::VideoOpenComplete()
{
    if (OwnLessons::isOwnLesson(shell().state().CurrentLesson)) {
        // A learner's film of any size and shape, fitted into the screen's video area.
        const QRect place = own->fitted(QSize(video->naturalWidth(), video->naturalHeight()));
        videocont->setGeometry(place);
        video->setGeometry(QRect(QPoint(0, 0), place.size()));
    } else {
        videocont->resize(video->naturalWidth(), std::max(0, video->naturalHeight() - 1));
        video->setGeometry(0, 0, video->naturalWidth(), video->naturalHeight());
    }
    videocont->show();
    video->setPosition(shell().state().StartAtFirstPhrase ? firstPhraseSeconds() : 0.0);
    video->setVolume(SavedVolume);
    Slider1->blockSignals(true);
    Slider1->setValue(-video->volume());
    Slider1->blockSignals(false);
    VideoOpened = true;
    if (TreeClicked) {
        runFromTree();
        TreeClicked = false;
    }
    traceConvo("ready");
}

void VideoLearningScreen::runFromTree()
{
    if (endReached() && HasIntro)
        video->setPosition(firstPhraseSeconds());
    video->setFullScreenMode(VideoPlayer::FullScreenMode::Off);
    video->run();
    PlayingNodeKey = CourseTree::key(arbol->currentItem());
    arbol->UpdateCompletionIcons();
}

void VideoLearningScreen::PhraseListPress()
{
    QListWidgetItem* item = conversacion->currentItem();
    if (!item || ownLessonGone() || !media->claim(MediaOwner::Use::VideoRun))
        return;
    toPhrase(item->data(Qt::UserRole).toInt());
    VideoTimer();
    if (video->currentState() != VideoPlayer::Running)
        video->run();
}

void VideoLearningScreen::PhraseListHover(const QPoint& pos)
{
    QListWidgetItem* item = conversacion->itemAt(pos);
    if (!item)
        return;
    const int row = conversacion->row(item);
    if (row == LastHoverItem)
        return;
    if (item->text().endsWith(QLatin1String("..."))) {
        popup->show(Phrases[size_t(item->data(Qt::UserRole).toInt())].frase_en, row, conversacion->y() + pos.y());
    } else {
        hidePopup();
    }
    LastHoverItem = row;
}

void VideoLearningScreen::hidePopup()
{
    popup->hide();
    // The row under the pointer shows its pop-up again when the pointer comes back.
    LastHoverItem = -1;
}

void VideoLearningScreen::TxtFraseClick()
{
    // The phrase in the pop-up is the one the learner asks for, not the list's selection.
    const int row = popup->row();
    hidePopup();
    if (row < 0 || row >= conversacion->count())
        return;
    conversacion->setCurrentRow(row);
    PhraseListPress();
}

bool VideoLearningScreen::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window() && event->type() == QEvent::WindowBlocked)
        pauseForModal();
    if (watched == conversacion->viewport() && event->type() == QEvent::MouseMove) {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (move->buttons() == Qt::NoButton)
            shell().guarded([&] { PhraseListHover(move->position().toPoint()); });
    }
    return FramedScreen::eventFilter(watched, event);
}

void VideoLearningScreen::NodeClick(QTreeWidgetItem* item)
{
    if (!item)
        return;
    if (voice->isRecording()) {
        // A take keeps its lesson: the tree goes back to it.
        if (QTreeWidgetItem* accepted = arbol->node(m_acceptedKey))
            arbol->setCurrentItem(accepted);
        return;
    }
    const QString key = CourseTree::key(item);
    SelectedLetter = key.isEmpty() ? QChar() : key.front();
    if (SelectedLetter == QLatin1Char('C'))
        m_acceptedKey = key;
    if (SelectedLetter != QLatin1Char('N'))
        return;
    m_acceptedKey = key;
    ModuleState& state = shell().state();
    // The lesson is registered as visited when the activation below shows it.
    state.CurrentLesson = CourseTree::keyNumber(key);
    if (!m_lessons)
        m_lessons = state.ContentDb->openRecordset(QStringLiteral("lecciones"));
    const bool ownLesson = OwnLessons::isOwnLesson(state.CurrentLesson);
    if (!ownLesson && !m_lessons->findFirst(QStringLiteral("N_leccion = %1").arg(state.CurrentLesson)))
        return;
    state.CurrentTipo = ownLesson ? Navigator::ConversationKind : qint16(m_lessons->number(QStringLiteral("tipo")));
    if (state.CurrentTipo == Navigator::ConversationKind) {
        video->stop();
        ScreenActivate();
    }
}

void VideoLearningScreen::playLesson(qint16 lesson)
{
    if (!isVisible())
        return;
    ModuleState& state = shell().state();
    if (lesson != 0)
        state.CurrentLesson = lesson;
    trampa(); // a lesson gone falls back to the course's first conversation
    state.CurrentTipo = Navigator::ConversationKind;
    video->stop();
    ScreenActivate();
    // As a click in the tree: the video runs once it is open (which is after the node's
    // branch was opened to show it, an expand that would clear the flag).
    TreeClicked = true;
}

void VideoLearningScreen::BackgroundMouseMove(int x, int y)
{
    // While a take is recorded or played the buttons stay as they are: the record button
    // lit, the indicator blinking, the play button lit until the take has been heard.
    if (voice->isRecording() || voice->isPlayingTake()) {
        volumen->hide();
        return;
    }
    FramedScreen::BackgroundMouseMove(x, y);
}

void VideoLearningScreen::refreshTree()
{
    if (!isLoaded())
        return;
    arbol->visitedLessons().reload();
    arbol->Raiz();
    arbol->UpdateCompletionIcons();
}

int VideoLearningScreen::recordIndicator() const
{
    return voice->indicator();
}

void VideoLearningScreen::traceConvo(const char* op, int accion) const
{
    QJsonObject fields { { QStringLiteral("op"), QString::fromLatin1(op) }, { QStringLiteral("lesson"), shell().state().CurrentLesson },
        { QStringLiteral("position"), video ? video->position() : 0.0 } };
    if (accion >= 0)
        fields.insert(QStringLiteral("accion"), accion);
    shell().trace().event("convo", fields);
}
