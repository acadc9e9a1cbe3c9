#include "PrintJob.h"

#include "RichTextBox.h"
#include "Shell.h"
#include "Trace.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonObject>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

namespace {

constexpr qreal twipsPerPixel = 15; // the screen the course was made for: 96 pixels an inch
constexpr qreal twipsPerInch = 1440;
constexpr qreal cmPerInch = 2.54;

} // namespace

PrintJob::PrintJob(Shell& shell, const QString& title, const QString& outputFile)
    : m_shell(shell)
    , m_title(title)
    , m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_printer->setDocName(title);
    QString file = outputFile;
    if (file.isEmpty()) {
        const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
        if (!printer.isNull())
            m_printer->setPrinterName(printer.printerName());
        else if (const QStringList names = QPrinterInfo::availablePrinterNames(); !names.isEmpty())
            m_printer->setPrinterName(names.front());
        else {
            file = fallbackFile(title);
            m_outcome.noPrinter = true;
        }
    }
    if (!file.isEmpty()) {
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setOutputFileName(file);
        m_outcome.file = file;
    } else {
        m_outcome.printer = m_printer->printerName();
    }
    // Margins are measured from the paper's edges, as the printer's physical offsets
    // would be subtracted from them: the painter's origin is the paper's corner.
    m_printer->setFullPage(true);
}

PrintJob::~PrintJob()
{
    finish();
}

QString PrintJob::fallbackFile(const QString& title)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    QString name = title;
    // A card heading may hold characters no file name may.
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    for (QChar& c : name) {
        if (forbidden.contains(c) || c.unicode() < 32)
            c = QLatin1Char('_');
    }
    name = name.trimmed();
    if (name.isEmpty())
        name = QStringLiteral("tamsel");
    // The same card printed again, or its picture after its text, gets a name of its own.
    const QDir documents(folder);
    QString file = documents.filePath(name + QStringLiteral(".pdf"));
    for (int copy = 2; QFileInfo::exists(file); ++copy)
        file = documents.filePath(QStringLiteral("%1 (%2).pdf").arg(name).arg(copy));
    return file;
}

void PrintJob::fail(const QString& why)
{
    if (!m_outcome.error.isEmpty())
        return; // the first cause is the one worth telling
    m_outcome.error = why;
    m_shell.trace().event("print", { { QStringLiteral("op"), QStringLiteral("error") }, { QStringLiteral("printer"), m_outcome.printer },
                                       { QStringLiteral("file"), m_outcome.file }, { QStringLiteral("error"), why } });
}

bool PrintJob::begin()
{
    if (m_painter)
        return m_outcome.error.isEmpty();
    if (!m_outcome.file.isEmpty())
        QDir().mkpath(QFileInfo(m_outcome.file).absolutePath());
    m_shell.trace().event("print", { { QStringLiteral("op"), QStringLiteral("start") }, { QStringLiteral("printer"), m_outcome.printer },
                                       { QStringLiteral("file"), m_outcome.file }, { QStringLiteral("title"), m_title } });
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_printer.get())) {
        fail(m_outcome.file.isEmpty() ? QStringLiteral("la impresora %1 no responde").arg(m_outcome.printer)
                                      : QStringLiteral("no se puede escribir %1").arg(m_outcome.file));
        return false;
    }
    return true;
}

bool PrintJob::newPage()
{
    if (!m_printer->newPage()) {
        fail(QStringLiteral("la impresora %1 ha fallado en la página %2").arg(m_outcome.printer).arg(m_outcome.pages + 1));
        return false;
    }
    return true;
}

bool PrintJob::PrintRichText(RichTextBox& box, int left, int top, int right, int bottom)
{
    if (!begin())
        return false;
    if (m_outcome.pages > 0 && !newPage())
        return false;
    const QRectF page(QPointF(0, 0), m_printer->paperRect(QPrinter::DevicePixel).size());
    const QMarginsF margins(left, top, right, bottom);
    const int length = box.textLength();
    int first = 0;
    for (;;) {
        const int next = box.renderPage(*m_painter, page, margins, first);
        ++m_outcome.pages;
        m_shell.trace().event("print", { { QStringLiteral("op"), QStringLiteral("page") }, { QStringLiteral("pages"), m_outcome.pages },
                                           { QStringLiteral("first"), first } });
        // A page that takes nothing would be followed by blank pages for ever.
        if (next >= length || next <= first)
            break;
        first = next;
        if (!newPage())
            break;
    }
    box.releasePageLayout();
    return m_outcome.error.isEmpty();
}

bool PrintJob::printPicture(const QPixmap& picture)
{
    if (!begin())
        return false;
    if (m_outcome.pages > 0 && !newPage())
        return false;
    const qreal dotsPerCm = m_printer->resolution() / cmPerInch;
    const qreal scale = m_printer->resolution() * twipsPerPixel / twipsPerInch;
    m_painter->drawPixmap(QRectF(dotsPerCm * 1, dotsPerCm * 2, picture.width() * scale, picture.height() * scale), picture,
        QRectF(picture.rect()));
    ++m_outcome.pages;
    m_shell.trace().event("print", { { QStringLiteral("op"), QStringLiteral("page") }, { QStringLiteral("pages"), m_outcome.pages } });
    return m_outcome.error.isEmpty();
}

PrintJob::Outcome PrintJob::finish(Telling telling)
{
    if (m_finished)
        return m_outcome;
    m_finished = true;
    if (m_painter && m_painter->isActive() && !m_painter->end())
        fail(QStringLiteral("la impresora %1 no ha terminado el documento").arg(m_outcome.printer));
    if (m_printer->printerState() == QPrinter::Error)
        fail(QStringLiteral("la impresora %1 ha fallado").arg(m_outcome.printer));
    m_outcome.ok = m_outcome.error.isEmpty() && m_painter;
    QGuiApplication::restoreOverrideCursor();
    if (!m_painter)
        return m_outcome; // nothing was printed, nothing to say
    m_shell.trace().event("print", { { QStringLiteral("op"), QStringLiteral("end") }, { QStringLiteral("printer"), m_outcome.printer },
                                       { QStringLiteral("pages"), m_outcome.pages }, { QStringLiteral("file"), m_outcome.file },
                                       { QStringLiteral("ok"), m_outcome.ok } });
    if (telling == Telling::Learner)
        tell(m_shell, { m_outcome });
    return m_outcome;
}

void PrintJob::tell(Shell& shell, const std::vector<Outcome>& outcomes)
{
    // The learner is told where the pages went when they did not go to a printer, and
    // why nothing came out when the printer failed; then he goes on where he was.
    QStringList files;
    for (const Outcome& outcome : outcomes) {
        if (!outcome.error.isEmpty()) {
            shell.showMessage(QStringLiteral("No se ha podido imprimir: %1").arg(outcome.error));
            return;
        }
        if (outcome.ok && outcome.noPrinter)
            files << outcome.file;
    }
    if (files.size() == 1)
        shell.showMessage(QStringLiteral("No hay impresora: se ha guardado en %1").arg(files.front()));
    else if (!files.isEmpty())
        shell.showMessage(QStringLiteral("No hay impresora: se han guardado en %1").arg(files.join(QStringLiteral(", "))));
}
