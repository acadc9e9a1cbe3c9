#include "TakeMenu.h"

#include "SpanishCount.h"
#include "StudyAids.h"

#include <QDateTime>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

namespace {

QIcon takeMark()
{
    QPixmap dot(10, 10);
    dot.fill(Qt::transparent);
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(200, 30, 30));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(1, 1, 8, 8);
    return QIcon(dot);
}

} // namespace

void TakeMenu::mark(QListWidget& list, const StudyAids& aids)
{
    static const QIcon dot = takeMark();
    for (int row = 0; row < list.count(); ++row) {
        QListWidgetItem* item = list.item(row);
        const qsizetype count = aids.takesOf(item->data(Qt::UserRole).toInt()).size();
        item->setIcon(count ? dot : QIcon());
        item->setToolTip(count ? QStringLiteral("%1 (botón derecho para escucharlas)").arg(SpanishCount::of(count, QStringLiteral("grabación tuya"), QStringLiteral("grabaciones tuyas"))) : QString());
    }
}

void TakeMenu::popup(QListWidget& list, StudyAids& aids, const QPoint& pos)
{
    QListWidgetItem* item = list.itemAt(pos);
    if (!item)
        return;
    const int index = item->data(Qt::UserRole).toInt();
    const QStringList takes = aids.takesOf(index);
    if (takes.isEmpty())
        return;
    auto* menu = new QMenu(&list);
    menu->setObjectName(QStringLiteral("takeMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const QString& take : takes) {
        const QString when = QFileInfo(take).lastModified().toString(QStringLiteral("dd/MM hh:mm:ss"));
        menu->addAction(QStringLiteral("Escuchar tu grabación del %1").arg(when), &aids, [&aids, take] { aids.playTake(take); });
    }
    menu->addSeparator();
    menu->addAction(QStringLiteral("Borrar las grabaciones de esta frase"), &aids, [&aids, index] { aids.deleteTakes(index); });
    menu->popup(list.viewport()->mapToGlobal(pos));
}
