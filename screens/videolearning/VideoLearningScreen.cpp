#include "VideoLearningScreen.h"

#include "CourseError.h"
#include "CourseTree.h"
#include "FrameButton.h"
#include "GlossaryScreen.h"
#include "HelpOverlay.h"
#include "MediaProblem.h"
#include "ModuleState.h"
#include "Navigator.h"
#include "NineDigitColour.h"
#include "PictureSurface.h"
#include "Recordset.h"
#include "Shell.h"
#include "StudyAids.h"
#include "StudyKeys.h"
#include "IntonationView.h"
#include "StudyStrip.h"
#include "SubtitleWords.h"
#include "TakeMenu.h"
#include "TakeStore.h"
#include "SoundChannels.h"
#include "Trace.h"
#include "VideoPlayer.h"
#include "VisitedLessons.h"
#include "VoiceRecording.h"
#include "WaveRecorder.h"

#include <QFontMetrics>
#include <QFrame>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextEdit>
#include <QTimer>

namespace {

QFont rowFont(const Recordset& row)
{
    QFont font(row.text(QStringLiteral("Font")));
    if (const double points = row.value(QStringLiteral("tamanofont")).toDouble(); points > 0)
        font.setPointSizeF(points);
    return font;
}

QRect rowGeometry(const Recordset& row)
{
    return { int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))), int(row.number(QStringLiteral("ancho"))),
        int(row.number(QStringLiteral("alto"))) };
}

// A font colour is a colour number (red in the low byte); 0 keeps the control's own.
void applyFontColour(QWidget& control, const Recordset& row, QPalette::ColorRole role)
{
    const auto colour = quint32(row.number(QStringLiteral("colorfont")));
    if (colour == 0)
        return;
    QPalette p = control.palette();
    p.setColor(role, QColor(int(colour & 0xff), int((colour >> 8) & 0xff), int((colour >> 16) & 0xff)));
    control.setPalette(p);
}

void applyBackground(QWidget& control, const Recordset& row, QPalette::ColorRole role)
{
    const QString colour = row.text(QStringLiteral("bitmapactivo"));
    if (colour.trimmed().isEmpty())
        return;
    QPalette p = control.palette();
    p.setColor(role, nineDigitColour(colour));
    control.setPalette(p);
    control.setAutoFillBackground(true);
}

} // namespace

VideoLearningScreen::VideoLearningScreen(Shell& shell)
    : FramedScreen(shell, QStringLiteral("frmva"), 12)
    , voice(new VoiceRecording(shell, *this,
          { [this] { stopVideo(); }, [this] { startScreenSounds(); }, [this](const QString& name) { return loadPicture(name); } }))
{
}

VideoLearningScreen::~VideoLearningScreen() = default;

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
    const auto tell = [this](const QString& text) {
        // The message lies over the screen: closing it must not show the lesson afresh.
        shell().state().ExplorerOpen = true;
        shell().showMessage(text);
    };
    study = new StudyAids(*video, Phrases, shell().trace(),
        { [this] { shell().sounds().ReleaseSoundChannels(); }, [this] { startScreenSounds(); }, tell }, this);
    connect(study, &StudyAids::problem, this, tell);
    connect(video, &VideoPlayer::readyStateChange, this, [this](int state) {
        if (state == VideoPlayer::Uninitialized && !video->fileName().isEmpty())
            reportMediaProblem(shell(), this, CourseError(QStringLiteral("Cannot play the video file %1").arg(video->fileName())));
    });

    arbol = new CourseTree(shell(), this, CourseTree::VideoLearning);
    arbol->setObjectName(QStringLiteral("arbol"));
    arbol->hide();
    // The keys belong to the screen: neither the tree nor the list keeps the focus.
    arbol->setFocusPolicy(Qt::NoFocus);
    connect(arbol, &CourseTree::nodeClicked, this, [this](QTreeWidgetItem* item) { shell().guarded([&] { NodeClick(item); }); });
    connect(arbol, &CourseTree::pointerPressed, this, [this] { TreeClicked = true; });
    connect(arbol, &CourseTree::nodeExpanded, this, [this] { TreeClicked = false; });

    conversacion = new QListWidget(this);
    conversacion->setObjectName(QStringLiteral("conversacion"));
    conversacion->hide();
    conversacion->setMouseTracking(true);
    conversacion->setFocusPolicy(Qt::NoFocus);
    conversacion->viewport()->installEventFilter(this);
    conversacion->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(conversacion, &QListWidget::customContextMenuRequested, this, [this](const QPoint& pos) { TakeMenu::popup(*conversacion, *study, pos); });
    connect(study, &StudyAids::takesChanged, this, [this] { TakeMenu::mark(*conversacion, *study); });
    connect(conversacion, &QListWidget::itemPressed, this, [this] { shell().guarded([&] { PhraseListPress(); }); });

    Picture2 = new QFrame(this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setFrameStyle(QFrame::Box);
    Picture2->hide();
    TxtFrase = new QLabel(Picture2);
    TxtFrase->setObjectName(QStringLiteral("TxtFrase"));
    TxtFrase->move(2, 2);
    TxtFrase->installEventFilter(this);

    m_pictures.assign(1, {});
    FramedScreen::ScreenLoad();
}

bool VideoLearningScreen::loadObject(int kind, const Recordset& row)
{
    switch (kind) {
    case VideoKind:
        video->resize(int(row.number(QStringLiteral("ancho"))), int(row.number(QStringLiteral("alto"))));
        return true;
    case TreeKind:
        arbol->placeFromRow(row);
        return true;
    case PhraseListKind:
        conversacion->setGeometry(rowGeometry(row));
        conversacion->setFont(rowFont(row));
        applyFontColour(*conversacion, row, QPalette::Text);
        conversacion->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        ToggleWindowBorder(*conversacion);
        return true;
    case PopupKind:
        Picture2->setGeometry(rowGeometry(row));
        m_popupHeight = Picture2->height();
        TxtFrase->setFont(rowFont(row));
        applyBackground(*Picture2, row, QPalette::Window);
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
        lbltit = new QLabel(this);
        lbltit->setObjectName(QStringLiteral("lbltit"));
        lbltit->setGeometry(rowGeometry(row));
        lbltit->setFont(rowFont(row));
        lbltit->setWordWrap(true);
        applyFontColour(*lbltit, row, QPalette::WindowText);
        lbltit->setAttribute(Qt::WA_TransparentForMouseEvents);
        return true;
    }
    if (id != 1 && id != 2)
        return false;
    auto* box = new QTextEdit(this);
    box->setObjectName(QStringLiteral("e1_%1").arg(id - 1));
    box->setGeometry(rowGeometry(row));
    box->setFont(rowFont(row));
    box->setReadOnly(true);
    // The subtitles never keep the focus: it stays with the screen.
    box->setFocusPolicy(Qt::NoFocus);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    applyFontColour(*box, row, QPalette::Text);
    applyBackground(*box, row, QPalette::Base);
    e1.at(size_t(id - 1)) = box;
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
    voice->mm->setWait(true);
    // What a take cut short by a kill left behind goes before any take is listed.
    if (const int removed = TakeStore(shell().state().UserFolder).cleanLeftovers())
        shell().trace().event("study", { { QStringLiteral("op"), QStringLiteral("leftovers") }, { QStringLiteral("removed"), removed } });
    Imagex.front()->setEnabled(false);
    if (e1[0]) {
        words = new SubtitleWords(*e1[0], *this, *shell().state().ContentDb, shell().trace());
        connect(words, &SubtitleWords::glossaryRequested, this, [this](const QString& term) { shell().guarded([&] { openGlossaryOn(term); }); });
    }
    // A course that gives the study aids no buttons gets the player's own strip.
    const bool ownStudyButtons = std::any_of(buttons().cbegin(), buttons().cend(), [](const ButtonRecord& b) { return StudyAids::isStudyAction(b.accion); });
    if (!ownStudyButtons) {
        strip = new StudyStrip(*study, this);
        connect(strip, &StudyStrip::actionClicked, this, [this](int accion) { runActionByKey(accion); });
    }
    intonation = new IntonationView(this);
    intonation->hide();
    connect(study, &StudyAids::intonationRequested, this, [this](int index) { shell().guarded([&] { showIntonation(index); }); });
    keysHelp = new QLabel(StudyKeys::helpText(), this);
    keysHelp->setObjectName(QStringLiteral("keysHelp"));
    keysHelp->setFrameStyle(QFrame::Box);
    keysHelp->setAutoFillBackground(true);
    keysHelp->setMargin(6);
    keysHelp->setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
    keysHelp->adjustSize();
    keysHelp->hide();
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
    auto lessons = state.ContentDb->openRecordset(QStringLiteral("select * from lecciones where tipo = 12 order by N_leccion"));
    if (!lessons->findFirst(QStringLiteral("N_leccion = %1").arg(state.CurrentLesson))) {
        lessons->moveFirst();
        if (!lessons->isEof())
            state.CurrentLesson = qint16(lessons->number(QStringLiteral("N_leccion")));
    }
    voice->Recording = false;
}

void VideoLearningScreen::activated()
{
    voice->reset();
    applySidePanelMode();
    ShowVideoLesson();
    selectShownLesson();
    m_lessons = shell().state().ContentDb->openRecordset(QStringLiteral("lecciones"));
    setSubtitles({}, {});
    placeStudyStrip();
    Picture1->setFocus();
}

void VideoLearningScreen::heldActivation()
{
    // Back from a window that lay over the screen: the video goes on where it was.
    video->setPosition(SavedPosition);
    shell().state().ExplorerOpen = false;
    traceConvo("resume");
}

void VideoLearningScreen::screenLeft()
{
    if (isLoaded()) {
        voice->stopIfRecording();
        study->stopAll();
        intonation->hide();
        keysHelp->hide();
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
    auto lessons = state.ContentDb->openRecordset(QStringLiteral("lecciones"));
    if (!lessons->findFirst(QStringLiteral("N_leccion = %1").arg(state.CurrentLesson)))
        throw CourseError(QStringLiteral("%1: lesson %2 is not in lecciones").arg(state.ContentDb->fileName()).arg(state.CurrentLesson));
    if (lbltit)
        lbltit->setText(lessons->text(QStringLiteral("nombre_leccion")));
    conversacion->clear();
    videocont->hide();
    HasIntro = lessons->value(QStringLiteral("presentacion")).toBool();
    videocont->move(int(lessons->number(QStringLiteral("X"))), int(lessons->number(QStringLiteral("Y"))));
    study->setLesson(state.CurrentLesson, state.UserFolder);
    LoadPhrases();
    TakeMenu::mark(*conversacion, *study);
    registerShownLesson();
    video->stop();
    try {
        video->setFileName(state.Folder.require(lessons->text(QStringLiteral("nombre_fichero1"))));
    } catch (const CourseError& error) {
        // The tree and the way out stay usable without the video.
        video->setFileName(QString());
        reportMediaProblem(shell(), this, error);
    }
    traceConvo("setup");
}

void VideoLearningScreen::LoadPhrases()
{
    const ModuleState& state = shell().state();
    auto rows = state.ContentDb->openRecordset(
        QStringLiteral("select * from video_apren where n_leccion = %1 order by mseg").arg(state.CurrentLesson));
    if (HasIntro && !rows->isEof())
        rows->moveNext();
    Phrases.clear();
    conversacion->clear();
    hidePopup(); // its phrase belonged to the lesson before
    const QFontMetrics metrics(conversacion->font());
    for (int i = 0; !rows->isEof(); rows->moveNext(), ++i) {
        PhraseEntry entry { qint32(rows->number(QStringLiteral("mseg"))), rows->text(QStringLiteral("frase_sp")),
            rows->text(QStringLiteral("frase_en")) };
        QString text = entry.frase_en;
        if (metrics.horizontalAdvance(text) > conversacion->width())
            text = text.left(ShortPhraseLength) + QStringLiteral("...");
        Phrases.push_back(entry);
        auto* item = new QListWidgetItem(text, conversacion);
        item->setData(Qt::UserRole, i);
    }
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
    const qint16 k = FindPhraseIndex(Phrases, p);
    if (k != CurrentPhrase && k >= 0) {
        const PhraseEntry& entry = Phrases[size_t(k)];
        setSubtitles(entry.frase_en, entry.frase_sp);
        CurrentPhrase = k;
        shell().trace().event("phrase", { { QStringLiteral("index"), k }, { QStringLiteral("position"), video->position() } });
    }
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
    videocont->resize(video->naturalWidth(), std::max(0, video->naturalHeight() - 1));
    video->setGeometry(0, 0, video->naturalWidth(), video->naturalHeight());
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

void VideoLearningScreen::toPhrase(int index)
{
    video->setPosition(Phrases[size_t(index)].mseg / 1000.0);
}

void VideoLearningScreen::PhraseListPress()
{
    QListWidgetItem* item = conversacion->currentItem();
    if (!item)
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
        showPopup(Phrases[size_t(item->data(Qt::UserRole).toInt())].frase_en, conversacion->y() + pos.y());
        m_popupRow = row;
    } else {
        hidePopup();
    }
    LastHoverItem = row;
}

void VideoLearningScreen::showPopup(const QString& phrase, int top)
{
    // The pop-up stays on the stage: a phrase too long for it is wrapped, and the
    // pop-up is moved left and up as far as it must.
    constexpr int Border = 5;
    TxtFrase->setWordWrap(false);
    TxtFrase->setText(phrase);
    TxtFrase->adjustSize();
    if (TxtFrase->width() + Border > width()) {
        TxtFrase->setWordWrap(true);
        TxtFrase->resize(width() - Border, TxtFrase->heightForWidth(width() - Border));
    }
    Picture2->resize(TxtFrase->width() + Border, std::max(m_popupHeight, TxtFrase->height() + 4));
    const int bottom = conversacion->y() + conversacion->height();
    if (top + Picture2->height() > bottom)
        top = bottom - Picture2->height();
    const int left = std::min(conversacion->x() + 20, width() - Picture2->width());
    Picture2->move(std::max(0, left), std::clamp(top, 0, std::max(0, height() - Picture2->height())));
    Picture2->raise();
    Picture2->show();
}

void VideoLearningScreen::hidePopup()
{
    Picture2->hide();
    // The row under the pointer shows its pop-up again when the pointer comes back.
    LastHoverItem = -1;
    m_popupRow = -1;
}

void VideoLearningScreen::TxtFraseClick()
{
    // The phrase in the pop-up is the one the learner asks for, not the list's selection.
    const int row = m_popupRow;
    hidePopup();
    if (row < 0 || row >= conversacion->count())
        return;
    conversacion->setCurrentRow(row);
    PhraseListPress();
}

bool VideoLearningScreen::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == conversacion->viewport() && event->type() == QEvent::MouseMove) {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (move->buttons() == Qt::NoButton)
            shell().guarded([&] { PhraseListHover(move->position().toPoint()); });
    } else if (watched == TxtFrase && event->type() == QEvent::MouseButtonPress) {
        shell().guarded([&] { TxtFraseClick(); });
        return true;
    }
    return FramedScreen::eventFilter(watched, event);
}

void VideoLearningScreen::NodeClick(QTreeWidgetItem* item)
{
    if (!item)
        return;
    if (voice->Recording) {
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
    if (!m_lessons->findFirst(QStringLiteral("N_leccion = %1").arg(state.CurrentLesson)))
        return;
    state.CurrentTipo = qint16(m_lessons->number(QStringLiteral("tipo")));
    if (state.CurrentTipo == 12) {
        video->stop();
        ScreenActivate();
    }
}

void VideoLearningScreen::BackgroundMouseMove(int x, int y)
{
    // While a take is recorded or played the buttons stay as they are: the record button
    // lit, the indicator blinking, the play button lit until the take has been heard.
    if (voice->Recording || voice->PlayingTake) {
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
    if (voice->Recording || !e1[size_t(box)])
        return;
    const bool hide = e1[size_t(box)]->isVisible();
    e1[size_t(box)]->setVisible(!hide);
    dressButton(index, !hide);
    button(index).state = hide ? LatchedState : 0;
}

void VideoLearningScreen::switchSidePanel(bool toList, int index)
{
    if (voice->Recording)
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
    if (accion == StudyStrip::KeysAction) {
        toggleKeysHelp();
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
        toggleKeysHelp();
        return;
    }
    shell().guarded([&] {
        // The key runs what the button runs, the button's pictures and latches included.
        if (const int index = buttonWithAction(accion))
            ButtonClick(index);
        else
            runAction(accion, 0);
    });
}

void VideoLearningScreen::showIntonation(int index)
{
    Intonation model;
    Intonation take;
    if (!study->intonationOf(index, model, take)) {
        shell().state().ExplorerOpen = true;
        shell().showMessage(StudyAids::NoTakeText);
        return;
    }
    if (video->currentState() == VideoPlayer::Running)
        video->pause();
    intonation->setUtterances(std::move(model), std::move(take));
    // Over the video and the subtitles, where the learner looks.
    intonation->setGeometry(QRect(0, 0, std::min(width(), 600), 260).translated(std::max(0, (width() - 600) / 2), 40));
    intonation->raise();
    intonation->show();
}

void VideoLearningScreen::toggleKeysHelp()
{
    keysHelp->move((width() - keysHelp->width()) / 2, std::max(0, (height() - keysHelp->height()) / 2));
    keysHelp->setVisible(!keysHelp->isVisible());
    keysHelp->raise();
}

void VideoLearningScreen::placeStudyStrip()
{
    if (!strip)
        return;
    // Never over the course's buttons; over its other objects only when nothing else is free.
    std::vector<QRect> buttonsThere;
    for (size_t i = 1; i < buttons().size(); ++i) {
        const ButtonRecord& b = buttons()[i];
        buttonsThere.emplace_back(QPoint(b.left, b.top), QPoint(b.right, b.bottom));
    }
    std::vector<QRect> objects { QRect(videocont->pos(), video->size()), arbol->geometry(), conversacion->geometry() };
    for (QWidget* w : { static_cast<QWidget*>(e1[0]), static_cast<QWidget*>(e1[1]), static_cast<QWidget*>(lbltit) }) {
        if (w)
            objects.push_back(w->geometry());
    }
    strip->move(StudyStrip::placeFor(strip->size(), size(), buttonsThere, objects));
    strip->raise();
    strip->show();
}

void VideoLearningScreen::runAction(int accion, int index)
{
    traceConvo("button", accion);
    if (!VideoOpened && accion != ToTest && accion != Leave && accion != Help)
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
        stopVideo();
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
        dressButton(index, !voice->Recording);
        break;
    case PlayTake: voice->PlayTheTake(); break;
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
        stopVideo();
        if (accion == Glossary) {
            state.ExplorerOpen = true;
            shell().navigator().OpenGlossary();
        } else {
            shell().navigator().SwitchScreen(this, name);
        }
        break;
    }
    default: study->run(accion); break;
    }
}

void VideoLearningScreen::openGlossaryOn(const QString& term)
{
    if (!shell().window(QStringLiteral("frmind")))
        return;
    stopVideo();
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
