#include "DiscCopyProgress.h"

#include "DiscCopy.h"
#include "Trace.h"

#include <QFileInfo>
#include <QPointer>
#include <QProgressDialog>

namespace {

QPointer<QProgressDialog> window;

} // namespace

void DiscCopyProgress::install(Trace& trace)
{
    DiscCopy::setShown([&trace](const QString& what, qint64 done, qint64 total) {
        if (done >= total) {
            delete window;
            return;
        }
        if (!window) {
            window = new QProgressDialog;
            window->setWindowTitle(QStringLiteral("Leyendo del disco"));
            window->setCancelButton(nullptr);
            window->setMinimumDuration(0);
            window->setRange(0, 1000);
            window->setWindowFlag(Qt::WindowStaysOnTopHint);
            window->setLabelText(QStringLiteral("Leyendo del disco: %1").arg(QFileInfo(what).fileName()));
            trace.event("disc.progress", { { QStringLiteral("entry"), what }, { QStringLiteral("bytes"), total } });
            window->show();
        }
        window->setValue(total > 0 ? int(done * 1000 / total) : 0);
    });
}
