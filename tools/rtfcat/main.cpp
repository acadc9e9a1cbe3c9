// rtfcat FILE [--html]: prints the plain text of a card as the player reads it, or
// with --html its formatted rendering (pictures embedded), so that course authors can
// check their cards without starting the course.

#include "RichTextBox.h"
#include "SpanishCommandLine.h"

#include <QApplication>
#include <QBuffer>
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

} // namespace

int main(int argc, char* argv[])
{
    // A command-line tool must not need a display; the card is read by the player's own
    // rich-text box, a widget, which needs a widget application.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
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

    // The player decides between RTF and plain text, and decodes plain text, in its box.
    RichTextBox box;
    if (!box.loadFile(files.front())) {
        std::fprintf(stderr, "rtfcat: %s\n", qPrintable(box.errorString()));
        return 1;
    }
    const QTextDocument& document = *box.document();
    const QString output = line.parser().isSet(html) ? embedPictures(document.toHtml(), document)
                                              : box.text() + u'\n';
    const QByteArray bytes = output.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    return 0;
}
