#include "TextCardScreen.h"

#include "CourseError.h"
#include "FrameButton.h"
#include "PixelLabel.h"
#include "Imprimir.h"
#include "ModuleState.h"
#include "NineDigitColour.h"
#include "PictureList.h"
#include "Recordset.h"
#include "RichTextBox.h"
#include "Shell.h"
#include "Trace.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QJsonObject>
#include <QLabel>
#include <QMouseEvent>
#include <QTextCursor>
#include <QTimer>

TextCardScreen::TextCardScreen(Shell& shell, const QString& windowName, qint16 number)
    : CardScreen(shell, windowName, number)
{
    // The frame's sound upkeep runs inside the card's own tick.
    disconnect(Timer1, &QTimer::timeout, this, &FramedScreen::SoundTimer);
    connect(Timer1, &QTimer::timeout, this, &TextCardScreen::CardTimer);
}

TextCardScreen::~TextCardScreen() = default;

bool TextCardScreen::loadObject(int kind, const Recordset& row)
{
    const auto number = [&row](const char* field) { return int(row.number(QLatin1String(field))); };
    switch (kind) {
    case TextBoxKind: {
        rtf = new RichTextBox(this);
        rtf->setObjectName(QStringLiteral("rtf"));
        rtf->setGeometry(number("X"), number("Y"), number("ancho"), number("alto"));
        // The screen's own strip scrolls the box; the text wraps inside it.
        rtf->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        rtf->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_fuentetexto = row.text(QStringLiteral("Font"));
        m_tamanotexto = qint16(row.number(QStringLiteral("tamanofont")));
        // Every card starts from the screen's own look; an inline text is given it again
        // through its selection, as the course does.
        QFont font = rtf->font();
        if (!m_fuentetexto.trimmed().isEmpty())
            font.setFamilies({ m_fuentetexto.trimmed() });
        if (m_tamanotexto > 0)
            font.setPointSize(m_tamanotexto);
        rtf->setFont(font);
        if (const QString colour = row.text(QStringLiteral("bitmapactivo")); !colour.trimmed().isEmpty())
            rtf->setBackgroundColor(nineDigitColour(colour));
        return true;
    }
    case StripKind: {
        barra = new PixelLabel(this);
        barra->setObjectName(QStringLiteral("barra"));
        barra->setPixmap(loadPicture(row.text(QStringLiteral("bitmapreposo"))));
        barra->setGeometry(QRect(QPoint(number("X"), number("Y")), barra->pixmap().size()));
        cuadro = new PixelLabel(barra);
        cuadro->setObjectName(QStringLiteral("cuadro"));
        cuadro->setPixmap(loadPicture(row.text(QStringLiteral("bitmapactivable"))));
        cuadro->setGeometry(QRect(QPoint(0, 0), cuadro->pixmap().size()));
        cuadro->installEventFilter(this);
        return true;
    }
    default: return CardScreen::loadObject(kind, row);
    }
}

void TextCardScreen::loadFinished()
{
    CardScreen::loadFinished();
    if (!rtf)
        throw CourseError(QStringLiteral("pantalla: screen %1 has no text box (objeto 10)").arg(number()));
}

void TextCardScreen::buttonBuilt(int index, const Recordset& row)
{
    const int accion = int(row.number(QStringLiteral("accion")));
    if (accion != ScrollDown && accion != ScrollUp)
        return;
    connect(Imagex[size_t(index)], &FrameButton::pressed, this, [this](int i) { ScrollButtonDown(i); });
    connect(Imagex[size_t(index)], &FrameButton::released, this, [this](int i) { ScrollButtonUp(i); });
}

bool TextCardScreen::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != cuadro || !barra)
        return CardScreen::eventFilter(watched, event);
    ModuleState& state = shell().state();
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        Imprimir::ThumbPressed(state, mouse->button(), mouse->position().y());
        return true;
    }
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        Imprimir::ThumbDragged(state, *cuadro, *barra, (mouse->buttons() & Qt::LeftButton) ? Qt::LeftButton : Qt::NoButton,
            mouse->position().y());
        return true;
    }
    case QEvent::MouseButtonRelease:
        Imprimir::TextToThumb(state, *rtf, *barra, *cuadro);
        traceCard("thumb", cuadro->y());
        return true;
    default: return CardScreen::eventFilter(watched, event);
    }
}

void TextCardScreen::showCard(Recordset& card)
{
    ModuleState& state = shell().state();
    if (cuadro)
        cuadro->move(cuadro->x(), 0);
    rtf->setText(QString());
    const QVariant inlineText = card.value(QStringLiteral("texto_epigrafe"));
    if (inlineText.isNull()) {
        // A missing file leaves the box empty; the learner goes on to the next card.
        const QString file = card.text(QStringLiteral("fichero_epigrafe"));
        QString path;
        try {
            path = state.Folder.resolve(file);
        } catch (const CourseError&) {
        }
        if (path.isEmpty() || !rtf->loadFile(path))
            shell().trace().event("card", { { QStringLiteral("op"), QStringLiteral("missing") }, { QStringLiteral("screen"), number() },
                                              { QStringLiteral("file"), file } });
    } else {
        rtf->setText(inlineText.toString());
        // The text just set lies on the colour the screen gives it, black on it as printed.
        QTextCursor all(rtf->document());
        all.select(QTextCursor::Document);
        QTextCharFormat format;
        format.setBackground(inlineTextBackground());
        format.setForeground(Qt::black);
        all.mergeCharFormat(format);
        rtf->setSelectionStart(0);
        rtf->setSelectionLength(rtf->textLength());
        rtf->setSelectionFontName(m_fuentetexto);
        if (m_tamanotexto > 0)
            rtf->setSelectionFontSize(m_tamanotexto);
        rtf->setSelectionLength(0);
    }
    rtf->show();
    state.numlineas = rtf->lineCount();
    shell().trace().event("card", { { QStringLiteral("op"), QStringLiteral("show") }, { QStringLiteral("screen"), number() },
                                      { QStringLiteral("index"), lista()->listIndex() }, { QStringLiteral("lines"), state.numlineas } });
    cardTextShown(card);
}

bool TextCardScreen::scrollText(int lines)
{
    const bool moved = rtf->scrollLines(lines);
    ModuleState& state = shell().state();
    if (moved && barra)
        Imprimir::SyncThumbToText(state, *rtf, *cuadro, *barra);
    shell().trace().event("card", { { QStringLiteral("op"), QStringLiteral("scroll") }, { QStringLiteral("screen"), number() },
                                      { QStringLiteral("lines"), lines }, { QStringLiteral("first"), rtf->firstVisibleLine() } });
    return moved;
}

void TextCardScreen::ScrollButtonDown(int index)
{
    m_botonpulsado = true;
    m_accionpulsada = buttons().at(size_t(index)).accion;
    showHeld(index, true);
}

void TextCardScreen::ScrollButtonUp(int index)
{
    m_botonpulsado = false;
    m_ticspulsado = 0;
    showHeld(index, false);
}

void TextCardScreen::CardTimer()
{
    superviseSound();
    SoundTimer();
    if (!m_botonpulsado)
        return;
    ++m_ticspulsado;
    if (m_ticspulsado > HoldTicks)
        scrollText(m_accionpulsada == ScrollDown ? 1 : -1);
}

void TextCardScreen::copyText()
{
    // Pictures stand in the plain text as object characters nobody could paste.
    const QString text = rtf->text().remove(QChar::ObjectReplacementCharacter);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
    traceCard("copy", lista()->listIndex());
    tellCopied(QStringLiteral("El texto se ha enviado al portapapeles"));
}

void TextCardScreen::cardAction(int accion, int index)
{
    switch (accion) {
    case ScrollDown: scrollText(1); break;
    case ScrollUp: scrollText(-1); break;
    case Print: printCard(); break;
    case Copy: copyText(); break;
    default: textCardAction(accion, index); break;
    }
}
