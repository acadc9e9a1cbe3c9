#include "LetterRow.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <algorithm>

namespace {

constexpr int EnieLetter = 14; ///< "Ñ" comes after "N"

} // namespace

LetterRow::LetterRow(QWidget& window)
    : QObject(&window)
    , m_window(window)
{
}

void LetterRow::build(int x, int y, const QFont& font, const QCursor& hand)
{
    char16_t code = u'A';
    for (int n = 0; n < LetterCount; ++n) {
        auto* letter = new QLabel(n == EnieLetter ? QStringLiteral("Ñ") : QString(QChar(code++)), &m_window);
        letter->setObjectName(QStringLiteral("letra%1").arg(n));
        letter->move(x, y);
        letter->setAlignment(Qt::AlignCenter);
        letter->setCursor(hand);
        letter->setMouseTracking(true);
        // Read one by one, not as the word "ABCDEFG…" the row looks like.
        letter->setAccessibleName(QStringLiteral("Letra %1").arg(letter->text()));
        letter->setAccessibleDescription(QStringLiteral("Lleva la lista activa a los términos que empiezan por %1").arg(letter->text()));
        letter->installEventFilter(this);
        letter->show();
        m_letters.push_back(letter);
    }
    fit(font);
}

void LetterRow::fit(QFont font)
{
    const int start = m_letters[0]->x();
    const int top = m_letters[0]->y();
    const int room = m_window.width() - start;
    for (;;) {
        const QFontMetrics metrics(font);
        // Each letter as wide as its caption, as a label sized by its text is (or as its
        // drawn glyph, should that stand out); the least a letter can have is its glyph.
        std::vector<int> natural;
        std::vector<int> least;
        int naturalWidth = 0;
        int leastWidth = 0;
        for (QLabel* letter : m_letters) {
            letter->setFont(font);
            const int glyph = metrics.boundingRect(letter->text()).width();
            natural.push_back(std::max(letter->sizeHint().width(), glyph));
            least.push_back(std::min(natural.back(), glyph + 2));
            naturalWidth += natural.back();
            leastWidth += least.back();
        }
        std::vector<int> widths = natural;
        int left = start;
        if (naturalWidth > room && leastWidth <= room) {
            // Narrower spacing: each letter gives up the same share of what it can spare.
            const double share = double(room - leastWidth) / double(naturalWidth - leastWidth);
            for (size_t i = 0; i < widths.size(); ++i)
                widths[i] = least[i] + int((natural[i] - least[i]) * share);
        } else if (naturalWidth > room) {
            widths = least;
            left = m_window.width() - leastWidth;
        }
        const qreal points = font.pointSizeF();
        if (left >= 0 || points <= 1) {
            left = std::max(left, 0);
            const int height = m_letters[0]->sizeHint().height();
            for (size_t i = 0; i < m_letters.size(); ++i) {
                m_letters[i]->setGeometry(left, top, widths[i], height);
                left += widths[i];
            }
            return;
        }
        font.setPointSizeF(points - 1);
    }
}

void LetterRow::highlight(int index, const QColor& colour)
{
    for (size_t n = 0; n < m_letters.size(); ++n) {
        QFont font = m_letters[n]->font();
        font.setBold(int(n) == index);
        m_letters[n]->setFont(font);
        QPalette p = m_letters[n]->palette();
        p.setColor(QPalette::WindowText, int(n) == index ? colour : QColor(Qt::black));
        m_letters[n]->setPalette(p);
    }
}

bool LetterRow::eventFilter(QObject* watched, QEvent* event)
{
    const auto it = std::find(m_letters.begin(), m_letters.end(), watched);
    if (it == m_letters.end())
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::MouseMove)
        emit pointerMoved();
    else if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        emit clicked(int(it - m_letters.begin()));
    else if (event->type() == QEvent::MouseButtonPress)
        return true; // a letter is no part of the body: it does not drag the window
    return false;
}
