// rtfcat FILE [--html]: prints the plain text of a card as the player reads it, or
// with --html its formatted rendering (pictures embedded), so that course authors can
// check their cards without starting the course.

#include "RichTextBox.h"
#include "RtfReader.h"
#include "SpanishCommandLine.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>

#include <cstdio>

namespace {

// The document keeps its pictures as resources; a stand-alone page needs them inline.
QString embedPictures(const QString& html, const QTextDocument& document)
{
    static const QRegularExpression source(QStringLiteral(R"re(src="(rtf-image-\d+)")re"));
    QString result;
    qsizetype last = 0;
    auto matches = source.globalMatch(html);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const QImage image = document.resource(QTextDocument::ImageResource,
                                         QUrl(match.captured(1))).value<QImage>();
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        result += QStringView(html).sliced(last, match.capturedStart() - last);
        result += QStringLiteral("src=\"data:image/png;base64,%1\"")
                      .arg(QString::fromLatin1(png.toBase64()));
        last = match.capturedEnd();
    }
    result += QStringView(html).sliced(last);
    return result;
}

// A card is RTF or text: text holds no NUL and few control characters (a picture, a
// program or a compressed file hold many).
bool isCard(const QByteArray& content)
{
    if (RtfReader::hasRtfHeader(content))
        return true;
    const QByteArrayView head = QByteArrayView(content).first(std::min<qsizetype>(content.size(), 65536));
    static const QByteArray textControls("\t\n\r\f\v\x1a");
    qsizetype controls = 0;
    for (const char c : head) {
        if (c == '\0')
            return false;
        if (uchar(c) < 0x20 && !textControls.contains(c))
            ++controls;
    }
    return controls * 100 <= head.size();
}

} // namespace

int main(int argc, char* argv[])
{
    // A command-line tool must not need a display; the card is read by the player's own
    // rich-text box, a widget, which needs a widget application.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    SpanishCommandLine::hideQtNoise();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("rtfcat"));

    SpanishCommandLine line(QStringLiteral("rtfcat"),
        QStringLiteral("Escribe el texto de una ficha (RTF o texto simple) tal como lo lee el reproductor del curso."));
    const QCommandLineOption html(QStringLiteral("html"), QStringLiteral("Escribe lo que se ve, con su formato, en HTML en vez de texto simple."));
    line.parser().addOption(html);
    line.parser().addPositionalArgument(QStringLiteral("ARCHIVO"), QStringLiteral("La ficha que leer."));
    if (const auto status = line.read(app.arguments()))
        return *status;

    const QStringList files = line.parser().positionalArguments();
    if (files.size() != 1)
        return line.mistake(QStringLiteral("indique un solo ARCHIVO"));

    const QString named = QDir::toNativeSeparators(files.front());
    QFile file(files.front());
    if (!QFileInfo(file).isFile())
        return line.failure(QFileInfo::exists(files.front()) ? QStringLiteral("%1 no es una ficha: es una carpeta.").arg(named)
                                                            : QStringLiteral("No se encuentra la ficha %1: el archivo no existe.").arg(named));
    if (!file.open(QIODevice::ReadOnly))
        return line.failure(QStringLiteral("No se puede leer la ficha %1: falta permiso.").arg(named), file.errorString());
    if (!isCard(file.read(65536)))
        return line.failure(QStringLiteral("%1 no es una ficha: no es RTF ni texto.").arg(named));
    file.close();
    // The player decides between RTF and plain text, and decodes plain text, in its box.
    RichTextBox box;
    if (!box.loadFile(files.front()))
        return line.failure(QStringLiteral("No se puede leer la ficha %1.").arg(named), box.errorString());
    const QTextDocument& document = *box.document();
    const QString output = line.parser().isSet(html) ? embedPictures(document.toHtml(), document)
                                              : box.text() + u'\n';
    const QByteArray bytes = output.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    return 0;
}
