#pragma once

#include <QString>

#include <memory>
#include <vector>

class QPainter;
class QPixmap;
class QPrinter;
class RichTextBox;
class Shell;

/// One print document on the system's default printer, with its current settings. When
/// the system has no printer at all the document goes to a PDF file in the learner's
/// documents folder instead, named after the lesson and the card. The busy pointer is
/// shown from the start of the job to its end, whatever happens in between; a printer
/// that fails is reported in the message window and the learner stays where he was.
class PrintJob {
public:
    /// Where the pages went, for the message and the trace.
    struct Outcome {
        bool ok = false;
        int pages = 0;
        QString printer; ///< the printer's name, empty for a PDF file
        QString file;    ///< the PDF file written when there was no printer
        QString error;
        bool noPrinter = false; ///< the pages went to FILE because the system has no printer
    };
    /// Who tells the learner where the pages went: the job itself when it ends, or its
    /// caller, once for all the jobs it ran (tell()).
    enum class Telling { Learner, Caller };

    /// A job named TITLE ("lesson - card"); OUTPUTFILE, when given, sends it to that PDF
    /// file whatever printers there are.
    PrintJob(Shell& shell, const QString& title, const QString& outputFile = {});
    ~PrintJob();

    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    /// Prints the whole text of BOX, page after page, inside margins in twips measured from
    /// the paper's edges; each page starts with the first character not yet printed.
    /// Returns false once the printer has failed.
    bool PrintRichText(RichTextBox& box, int left, int top, int right, int bottom);
    /// Prints PICTURE at its own size (a screen pixel is 15 twips) 1 cm from the left and
    /// 2 cm from the top of the paper.
    bool printPicture(const QPixmap& picture);

    /// Ends the document; when the pages went to a file, or the printer failed, the
    /// learner is told in the message window (unless TELLING leaves that to the caller).
    /// Runs by itself on destruction.
    Outcome finish(Telling telling = Telling::Learner);

    /// Tells the learner in one message why nothing came out of the first of OUTCOMES that
    /// failed, or else where the pages went that did not go to a printer; nothing when
    /// everything was printed.
    static void tell(Shell& shell, const std::vector<Outcome>& outcomes);

    /// A PDF file for TITLE in the documents folder, used when there is no printer: one
    /// that is not there yet, so that no earlier document is written over.
    static QString fallbackFile(const QString& title);

private:
    bool begin();
    bool newPage();
    void fail(const QString& why);

    Shell& m_shell;
    QString m_title;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
    Outcome m_outcome;
    bool m_finished = false;
};
