#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QTranslator>
#include <optional>

/// The command line of a tamsel program, read and explained in Spanish, the learner's
/// language: its help, its version and its mistakes. Qt's own words ("Opciones:",
/// "Opción desconocida «x».", "Falta valor tras «--y».") come from Qt's Spanish catalogue;
/// the help starts "Modo de empleo:" and heads its options "Opciones:", the words
/// help2man reads a Spanish page's synopsis and options by (the manual pages are made
/// from --help).
///
///     QCoreApplication app(argc, argv);
///     SpanishCommandLine line(QStringLiteral("tamsel-x"), QStringLiteral("Hace algo."));
///     line.parser().addPositionalArgument(...);
///     if (const auto status = line.read(app.arguments()))
///         return *status;
class SpanishCommandLine {
public:
    /// PROGRAM: the program's name, with which its messages start; DESCRIPTION: what it
    /// does, the help's first paragraph. Needs the application object.
    SpanishCommandLine(QString program, const QString& description);
    ~SpanishCommandLine();
    SpanishCommandLine(const SpanishCommandLine&) = delete;
    SpanishCommandLine& operator=(const SpanishCommandLine&) = delete;

    /// The parser, to add the program's options and arguments to (-h/--help and
    /// -v/--version are there already).
    QCommandLineParser& parser() { return m_parser; }

    /// Reads ARGUMENTS (the program's name first). Returns the exit status when the program
    /// is to end at once: 0 after printing its help or its version, 2 after saying what is
    /// wrong on standard error (an unknown option quoted as it was typed).
    std::optional<int> read(const QStringList& arguments);

    /// The help as --help prints it.
    QString helpText() const;

    /// Says "PROGRAM: MESSAGE (vea --help)" on standard error; returns the exit status 2.
    int mistake(const QString& message) const;

    /// Says "PROGRAM: TEXT" on standard error, the user's words for what could not be done,
    /// and after it "PROGRAM: DETAIL", the technical account, when there is one that says
    /// more; returns the exit status 1.
    int failure(const QString& text, const QString& detail = {}) const;

    /// "Opción desconocida «-x»." for the first of UNKNOWN (option names as Qt's parser
    /// gives them, without dashes), quoted as the user typed it in ARGUMENTS.
    static QString unknownOption(const QStringList& unknown, const QStringList& arguments);

    /// Keeps Qt's notes that say nothing the user can act on off standard error: "XDG_RUNTIME_DIR
    /// not set" (Qt goes on with a folder of its own) and that video frames are converted
    /// on the processor, as the player asks. Call before the application object.
    static void hideQtNoise();

    /// The help's first line for USAGE (what follows the program's name).
    static QString usageLine(const QString& program, const QString& usage);

private:
    QString m_program;
    QTranslator m_qtWords;
    bool m_qtWordsInstalled = false;
    QCommandLineParser m_parser;
    QCommandLineOption m_help { { QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Muestra esta ayuda y termina.") };
    QCommandLineOption m_version { { QStringLiteral("v"), QStringLiteral("version") }, QStringLiteral("Muestra la versión y termina.") };
};
