#include "AddVideoFlow.h"

#include "CourseError.h"
#include "Shell.h"
#include "Trace.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QProgressBar>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <memory>

namespace {

// How long the notes of a finished adding stay on the sign.
constexpr int NotesShownMs = 5000;

QString languageName(SubtitlesBeside::Language language)
{
    return language == SubtitlesBeside::Language::English ? QStringLiteral("inglés") : QStringLiteral("español");
}

} // namespace

AddVideoFlow::AddVideoFlow(Shell& shell, QWidget& stage, QString learnerFolder)
    : QObject(&stage)
    , m_shell(shell)
    , m_stage(stage)
    , m_learnerFolder(std::move(learnerFolder))
{
}

AddVideoFlow::~AddVideoFlow()
{
    // The worker holds nothing of ours but its result: it is let finish its transaction.
    if (m_worker) {
        m_worker->disconnect(this);
        m_worker->wait();
        delete m_worker;
    }
}

QString AddVideoFlow::videoFilter()
{
    return QStringLiteral("Vídeos (*.mp4 *.m4v *.mkv *.webm *.avi *.mov *.mpg *.mpeg *.ogv *.wmv *.ts);;Todos los archivos (*)");
}

QString AddVideoFlow::subtitleFilter()
{
    return QStringLiteral("Subtítulos (*.srt *.vtt *.ass *.ssa);;Todos los archivos (*)");
}

QString AddVideoFlow::pickFile(Shell& shell, QWidget* parent, const QString& caption, const QString& filter, const QString& folder)
{
    QFileDialog dialog(parent, caption, folder, filter);
    dialog.setObjectName(QStringLiteral("ownVideoDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (shell.runModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool AddVideoFlow::start()
{
    if (isBusy())
        return false;
    const QString home = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    const QString video = pickFile(m_shell, &m_stage, QStringLiteral("Añadir un vídeo"), videoFilter(), QFileInfo::exists(home) ? home : QDir::homePath());
    if (video.isEmpty())
        return false;
    OwnLessons::Request request;
    request.video = video;
    request.english = askForSubtitles(video, SubtitlesBeside::Language::English);
    request.spanish = askForSubtitles(video, SubtitlesBeside::Language::Spanish);
    return run(request);
}

QString AddVideoFlow::askForSubtitles(const QString& video, SubtitlesBeside::Language language)
{
    if (!SubtitlesBeside::find(video, language).isEmpty())
        return {}; // the store finds it by itself
    const QString name = languageName(language);
    const QString question = QStringLiteral("No hay subtítulos en %1 junto a «%2».\n¿Quieres elegir un archivo de subtítulos en %1?\n"
                                            "(Si no, el vídeo se añade con los suyos propios, si los lleva, o sin ellos.)")
                                 .arg(name, QFileInfo(video).fileName());
    if (!m_shell.ask(question))
        return {};
    return pickFile(m_shell, &m_stage, QStringLiteral("Subtítulos en %1").arg(name), subtitleFilter(), QFileInfo(video).absolutePath());
}

bool AddVideoFlow::run(const OwnLessons::Request& request)
{
    if (isBusy())
        return false;
    m_shell.trace().event("ownvideo", { { QStringLiteral("op"), QStringLiteral("add") }, { QStringLiteral("video"), request.video } });
    auto result = std::make_shared<OwnLessons::Added>();
    const QString folder = m_learnerFolder;
    m_worker = QThread::create([folder, request, result] {
        // Nothing may leave the thread: whatever went wrong is the learner's message.
        try {
            *result = OwnLessons(folder).add(request);
        } catch (const CourseError& error) {
            result->lesson.reset();
            result->detail = error.message();
        } catch (const std::exception& error) {
            result->lesson.reset();
            result->detail = QString::fromLocal8Bit(error.what());
        }
        if (!result->lesson && result->error.isEmpty())
            result->error = QStringLiteral("No se ha podido añadir el vídeo «%1».").arg(request.video);
    });
    m_worker->setObjectName(QStringLiteral("ownVideoAdd"));
    connect(m_worker, &QThread::finished, this, [this, result, video = request.video] {
        m_worker->deleteLater();
        m_worker = nullptr;
        finish(*result, video);
    });
    showSign(QStringLiteral("Añadiendo «%1»…").arg(QFileInfo(request.video).fileName()), true);
    m_worker->start();
    return true;
}

void AddVideoFlow::finish(const OwnLessons::Added& result, const QString& video)
{
    if (!result.lesson) {
        if (m_sign)
            m_sign->hide();
        m_shell.trace().event("ownvideo",
            { { QStringLiteral("op"), QStringLiteral("add-failed") }, { QStringLiteral("video"), video }, { QStringLiteral("error"), result.error },
                { QStringLiteral("detail"), result.detail } });
        m_shell.showMessage(result.error);
        emit failed(result.error);
        return;
    }
    m_shell.trace().event("ownvideo", { { QStringLiteral("op"), QStringLiteral("added") }, { QStringLiteral("lesson"), result.lesson->number },
                                          { QStringLiteral("notes"), QJsonArray::fromStringList(result.notes) } });
    if (result.notes.isEmpty()) {
        if (m_sign)
            m_sign->hide();
    } else {
        showSign(result.notes.join(QLatin1Char(' ')), false);
        m_signTimer->start(NotesShownMs);
    }
    emit added(result.lesson->number);
}

void AddVideoFlow::showSign(const QString& text, bool busy)
{
    if (!m_sign) {
        m_sign = new QFrame(&m_stage);
        m_sign->setObjectName(QStringLiteral("ownVideoSign"));
        m_sign->setFrameShape(QFrame::StyledPanel);
        m_sign->setAutoFillBackground(true);
        QPalette p = m_sign->palette();
        p.setColor(QPalette::Window, QColor(255, 255, 225));
        p.setColor(QPalette::WindowText, Qt::black);
        m_sign->setPalette(p);
        auto* layout = new QHBoxLayout(m_sign);
        layout->setContentsMargins(8, 4, 8, 4);
        m_signText = new QLabel(m_sign);
        m_signText->setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
        auto* bar = new QProgressBar(m_sign);
        bar->setRange(0, 0); // no measure of how far: it only moves while the adding runs
        bar->setTextVisible(false);
        bar->setFixedSize(80, 12);
        m_signBar = bar;
        m_signTimer = new QTimer(m_sign);
        m_signTimer->setSingleShot(true);
        connect(m_signTimer, &QTimer::timeout, m_sign, &QWidget::hide);
        layout->addWidget(m_signText);
        layout->addWidget(bar);
    }
    m_signTimer->stop();
    m_signText->setText(text);
    m_signBar->setVisible(busy);
    m_sign->adjustSize();
    m_sign->resize(std::min(m_sign->width(), m_stage.width() - 20), m_sign->height());
    m_sign->move((m_stage.width() - m_sign->width()) / 2, m_stage.height() - m_sign->height() - 48);
    m_sign->show();
    m_sign->raise();
}
