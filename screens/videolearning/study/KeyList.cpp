#include "KeyList.h"

#include "StudyKeys.h"

#include <QFrame>

namespace {
constexpr int StageMargin = 4;
}

KeyList::KeyList(QWidget* stage)
    : QLabel(stage)
{
    setObjectName(QStringLiteral("keysHelp"));
    setFrameStyle(QFrame::Box);
    setMargin(6);
    setTextFormat(Qt::RichText);
    setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
    // Its own colours: a course with a dark stage must not make it black on black.
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(255, 252, 232));
    p.setColor(QPalette::WindowText, QColor(20, 20, 20));
    p.setColor(QPalette::Text, QColor(20, 20, 20));
    setPalette(p);
    setAutoFillBackground(true);
    hide();
}

QString KeyList::table(int columns)
{
    // One row per action: keys that stand for the same action share their line.
    QStringList cells;
    QString last;
    for (const StudyKeys::Key& k : StudyKeys::keys()) {
        if (k.what == last)
            continue;
        last = k.what;
        cells << QStringLiteral("<td style=\"padding-right:4px\"><b>%1</b></td><td style=\"padding-right:10px\">%2</td>")
                     .arg(k.keyName.toHtmlEscaped(), k.what.toHtmlEscaped());
    }
    const qsizetype rows = (cells.size() + columns - 1) / columns;
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"0\">");
    for (qsizetype r = 0; r < rows; ++r) {
        html += QStringLiteral("<tr>");
        for (int c = 0; c < columns; ++c) {
            const qsizetype i = c * rows + r;
            html += i < cells.size() ? cells[i] : QStringLiteral("<td></td><td></td>");
        }
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

void KeyList::fitTo(const QSize& stage)
{
    const int room = stage.width() - 2 * StageMargin;
    const int tall = stage.height() - 2 * StageMargin;
    QSize size;
    for (m_columns = 1;; ++m_columns) {
        setText(table(m_columns));
        // Its own width when that fits; otherwise the stage's, the texts wrapped.
        setWordWrap(false);
        adjustSize();
        size = this->size();
        if (size.width() > room) {
            setWordWrap(true);
            size = QSize(room, heightForWidth(room));
        }
        if (size.height() <= tall || m_columns == MaxColumns)
            break;
    }
    resize(size.width(), std::min(size.height(), tall));
    move(std::max(StageMargin, (stage.width() - width()) / 2), std::max(StageMargin, (stage.height() - height()) / 2));
}
