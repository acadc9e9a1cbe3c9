// rtfcat FILE [--html]: prints the plain text of a card as the player reads it, or
// with --html its formatted rendering (pictures embedded), so that course authors can
// check their cards without starting the course.

#include "RichTextBox.h"

#include <QApplication>
#include <QBuffer>
#include <QCommandLineParser>
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

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints the text of a card (RTF or plain text) as the course player reads it."));
    parser.addHelpOption();
    const QCommandLineOption html(QStringLiteral("html"),
        QStringLiteral("Print the formatted rendering as HTML instead of plain text."));
    parser.addOption(html);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The card to read."));
    parser.process(app);

    const QStringList files = parser.positionalArguments();
    if (files.size() != 1) {
        std::fprintf(stderr, "rtfcat: give exactly one FILE (see --help)\n");
        return 2;
    }

    // The player decides between RTF and plain text, and decodes plain text, in its box.
    RichTextBox box;
    if (!box.loadFile(files.front())) {
        std::fprintf(stderr, "rtfcat: %s\n", qPrintable(box.errorString()));
        return 1;
    }
    const QTextDocument& document = *box.document();
    const QString output = parser.isSet(html) ? embedPictures(document.toHtml(), document)
                                              : box.text() + u'\n';
    const QByteArray bytes = output.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    return 0;
}
