#include "StudyKeys.h"

#include "OwnVideos.h"
#include "StudyAids.h"
#include "StudyStrip.h"
#include "VideoLearningScreen.h"

namespace {

using Screen = VideoLearningScreen;

std::vector<StudyKeys::Key> makeKeys()
{
    const auto k = [](int key, int accion, const char* name, const char* what, int other = 0,
                       Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        return StudyKeys::Key { key, modifiers, accion, other, QString::fromUtf8(name), QString::fromUtf8(what) };
    };
    return {
        k(Qt::Key_Space, Screen::Play, "Espacio", "reproducir o pausar el vídeo", Screen::PauseVideo),
        k(Qt::Key_Left, Screen::PreviousPhrase, "←", "frase anterior"),
        k(Qt::Key_Right, Screen::NextPhrase, "→", "frase siguiente"),
        k(Qt::Key_Up, Screen::RepeatPhrase, "↑", "repetir la frase"),
        k(Qt::Key_Home, Screen::ToStart, "Inicio", "al principio"),
        k(Qt::Key_End, Screen::ToEnd, "Fin", "al final"),
        k(Qt::Key_P, StudyAids::PauseAfterPhrase, "P", "pausa tras cada frase (sí/no)"),
        k(Qt::Key_Return, StudyAids::GoOn, "Intro", "seguir tras la pausa"),
        k(Qt::Key_Enter, StudyAids::GoOn, "Intro", "seguir tras la pausa"),
        k(Qt::Key_B, StudyAids::LoopPhrase, "B", "repetir la frase en bucle (sí/no)"),
        k(Qt::Key_N, StudyAids::LoopCount, "N", "veces del bucle: sin fin, 2, 3, 5, 10"),
        k(Qt::Key_7, StudyAids::SlowThreeQuarters, "7", "la frase otra vez, despacio (0,75×)"),
        k(Qt::Key_5, StudyAids::SlowHalf, "5", "la frase otra vez, muy despacio (0,5×)"),
        k(Qt::Key_H, StudyAids::Shadow, "H", "hablar a la vez: modelo, tu voz, tu grabación, modelo (o pararlo)"),
        k(Qt::Key_J, StudyAids::PlayNewestTake, "J", "escuchar tu última grabación de la frase"),
        k(Qt::Key_O, StudyAids::CompareIntonation, "O", "comparar tu entonación con la del modelo"),
        k(Qt::Key_Delete, StudyAids::DeleteTakes, "Supr", "borrar tus grabaciones de la frase"),
        k(Qt::Key_E, Screen::ToggleEnglish, "E", "mostrar u ocultar el subtítulo inglés"),
        k(Qt::Key_C, Screen::ToggleSpanish, "C", "mostrar u ocultar el subtítulo castellano"),
        k(Qt::Key_PageDown, Screen::SpanishDown, "Av Pág", "bajar el subtítulo castellano"),
        k(Qt::Key_PageUp, Screen::SpanishUp, "Re Pág", "subir el subtítulo castellano"),
        k(Qt::Key_PageDown, Screen::EnglishDown, "Mayús+Av Pág", "bajar el subtítulo inglés", 0, Qt::ShiftModifier),
        k(Qt::Key_PageUp, Screen::EnglishUp, "Mayús+Re Pág", "subir el subtítulo inglés", 0, Qt::ShiftModifier),
        k(Qt::Key_I, Screen::ToggleFirstPhrase, "I", "empezar en la primera frase (sí/no)"),
        k(Qt::Key_L, Screen::ShowPhraseList, "L", "lista de frases o árbol de lecciones", Screen::ShowTree),
        k(Qt::Key_R, Screen::RecordButton, "R", "grabar tu voz / parar la grabación"),
        k(Qt::Key_T, Screen::PlayTake, "T", "escuchar tu grabación"),
        k(Qt::Key_V, Screen::Volume, "V", "volumen"),
        k(Qt::Key_F, Screen::PlayFullScreen, "F", "vídeo a pantalla completa"),
        k(Qt::Key_G, Screen::Glossary, "G", "glosario"),
        k(Qt::Key_K, Screen::PhotoTextCards, "K", "fichas"),
        k(Qt::Key_X, Screen::ToTest, "X", "examen de la lección"),
        k(Qt::Key_A, OwnVideos::AddVideoAction, "A", "añadir un vídeo tuyo (Mis vídeos)"),
        k(Qt::Key_Q, OwnVideos::RemoveVideoAction, "Q", "quitar de Mis vídeos el vídeo que ves"),
        k(Qt::Key_F1, Screen::Help, "F1", "ayuda"),
        k(Qt::Key_Question, StudyStrip::KeysAction, "?", "esta lista de teclas"),
        k(Qt::Key_Escape, Screen::Leave, "Esc", "volver al mapa"),
    };
}

} // namespace

const std::vector<StudyKeys::Key>& StudyKeys::keys()
{
    static const std::vector<Key> all = makeKeys();
    return all;
}

const StudyKeys::Key* StudyKeys::find(int key, Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers wanted = modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const Key* loose = nullptr;
    for (const Key& k : keys()) {
        if (k.key != key)
            continue;
        if (k.modifiers == wanted)
            return &k;
        // A shifted letter or digit is the same key unless a shifted one is listed.
        if (k.modifiers == Qt::NoModifier && wanted == Qt::ShiftModifier)
            loose = &k;
    }
    return loose;
}

QString StudyKeys::helpText()
{
    QStringList lines;
    QString last;
    for (const Key& k : keys()) {
        if (k.what == last)
            continue;
        last = k.what;
        lines << QStringLiteral("%1: %2").arg(k.keyName, k.what);
    }
    return lines.join(QLatin1Char('\n'));
}
