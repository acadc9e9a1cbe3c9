// The floor that the player's map-first start-up is measured against: a bare Qt program
// that shows the same 640 x 480 picture full screen, as many times bigger as the player
// draws its stage by default, and plays the same sound. It writes one line to standard
// error, as the player's trace does, once the picture is shown and the sound playing.
//   startup_floor PICTURE SOUND [FACTOR]
#include <QApplication>
#include <QAudioOutput>
#include <QLabel>
#include <QMediaPlayer>
#include <QScreen>
#include <algorithm>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 3) {
        std::fputs("usage: startup_floor PICTURE SOUND [FACTOR]\n", stderr);
        return 2;
    }
    const QSize display = QGuiApplication::primaryScreen()->geometry().size();
    const int factor = arguments.size() > 3 ? arguments.at(3).toInt() : std::clamp(std::min(display.width() / 640, display.height() / 480), 1, 16);

    QLabel picture;
    picture.setAlignment(Qt::AlignCenter);
    picture.setStyleSheet(QStringLiteral("background: black"));
    const QPixmap pixmap(arguments.at(1));
    picture.setPixmap(pixmap.scaled(pixmap.size() * factor));

    QAudioOutput output;
    QMediaPlayer sound;
    sound.setAudioOutput(&output);
    bool shown = false;
    bool playing = false;
    const auto reportWhenReady = [&] {
        if (shown && playing) {
            std::fputs("{\"ev\":\"ready\"}\n", stderr);
            std::fflush(stderr);
        }
    };
    QObject::connect(&sound, &QMediaPlayer::mediaStatusChanged, &sound, [&](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::LoadedMedia && !playing) {
            sound.play();
            playing = true;
            reportWhenReady();
        }
    });
    sound.setSource(QUrl::fromLocalFile(arguments.at(2)));
    picture.showFullScreen();
    shown = true;
    reportWhenReady();
    return app.exec();
}
