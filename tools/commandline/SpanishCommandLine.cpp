#include "SpanishCommandLine.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <cstdio>

SpanishCommandLine::SpanishCommandLine(QString program, const QString& description)
    : m_program(std::move(program))
{
    // Spanish whatever the system's language: the program speaks the learner's language.
    if (m_qtWords.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        m_qtWordsInstalled = QCoreApplication::installTranslator(&m_qtWords);
    m_parser.setApplicationDescription(description);
    m_parser.addOption(m_help);
    m_parser.addOption(m_version);
}

SpanishCommandLine::~SpanishCommandLine()
{
    if (m_qtWordsInstalled)
        QCoreApplication::removeTranslator(&m_qtWords);
}

QString SpanishCommandLine::usageLine(const QString& program, const QString& usage)
{
    return QStringLiteral("Modo de empleo: %1 %2").arg(program, usage);
}

QString SpanishCommandLine::helpText() const
{
    // Qt heads the help with "Uso: " and the path the program was started by: the help names
    // the program, as the manual page does.
    QString text = m_parser.helpText();
    const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'));
    const QString first = text.left(lineEnd);
    const qsizetype afterPath = first.indexOf(QLatin1Char(' '), first.indexOf(QLatin1Char(' ')) + 1);
    const QString usage = afterPath < 0 ? QString() : first.mid(afterPath + 1);
    return usageLine(m_program, usage).trimmed() + text.mid(lineEnd);
}

int SpanishCommandLine::mistake(const QString& message) const
{
    std::fprintf(stderr, "%s: %s (vea --help)\n", m_program.toUtf8().constData(), message.toUtf8().constData());
    return 2;
}

int SpanishCommandLine::failure(const QString& text, const QString& detail) const
{
    const QByteArray program = m_program.toUtf8();
    std::fprintf(stderr, "%s: %s\n", program.constData(), text.toUtf8().constData());
    if (!detail.isEmpty() && detail != text)
        std::fprintf(stderr, "%s: %s\n", program.constData(), detail.toUtf8().constData());
    return 1;
}

QString SpanishCommandLine::unknownOption(const QStringList& unknown, const QStringList& arguments)
{
    // Qt names "-x" and "--x" alike, "x"; the user is shown what he wrote.
    const QString name = unknown.value(0);
    QString typed = QStringLiteral("-") + name;
    for (const QString& argument : arguments.mid(1)) {
        if (argument == QLatin1String("--"))
            break;
        if (argument == QStringLiteral("--") + name || argument.startsWith(QStringLiteral("--%1=").arg(name)))
            return QStringLiteral("Opción desconocida «--%1».").arg(name);
        if (argument == typed)
            break;
    }
    return QStringLiteral("Opción desconocida «%1».").arg(typed);
}

namespace {

QtMessageHandler qtHandler = nullptr;

void withoutQtNoise(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (type != QtCriticalMsg && type != QtFatalMsg && message.contains(QLatin1String("No RHI backend. Using CPU conversion.")))
        return;
    qtHandler(type, context, message);
}

} // namespace

void SpanishCommandLine::hideQtNoise()
{
    if (!qtHandler)
        qtHandler = qInstallMessageHandler(withoutQtNoise);
}

std::optional<int> SpanishCommandLine::read(const QStringList& arguments)
{
    if (!m_parser.parse(arguments))
        return mistake(m_parser.unknownOptionNames().isEmpty() ? m_parser.errorText()
                                                               : unknownOption(m_parser.unknownOptionNames(), arguments));
    if (m_parser.isSet(m_help)) {
        std::fputs(helpText().toUtf8().constData(), stdout);
        return 0;
    }
    if (m_parser.isSet(m_version)) {
        std::printf("%s %s\n", m_program.toUtf8().constData(), TAMSEL_VERSION);
        return 0;
    }
    return std::nullopt;
}
