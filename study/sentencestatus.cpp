#include "study/sentencestatus.h"

#include "reading/lessonreading.h"
#include "widgets/designgeometry.h"

#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>

namespace {
// The sentence buttons end here on the bar; the line takes what is left right of them.
constexpr int buttonsEnd = 110 + 6 * 82;
constexpr int margin = 8;
} // namespace

SentenceStatus::SentenceStatus(QWidget* bar, QWidget* narrowBar, QPlainTextEdit* sentenceBox,
                               const LessonReading& reading, QObject* parent)
    : QObject(parent), m_bar(bar), m_narrowBar(narrowBar), m_sentenceBox(sentenceBox),
      m_reading(reading), m_label(new QLabel(bar))
{
    m_label->setObjectName(QStringLiteral("sentenceStatus"));
    m_label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_label->setFont(DesignGeometry::chineseFont(9));
    m_label->setStyleSheet(QStringLiteral("background: transparent; color: #1f3f6e;"));
    // Clicks go on to the bar and its heading beneath.
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    bar->installEventFilter(this);
    narrowBar->installEventFilter(this);
    place();
    connect(&reading, &LessonReading::progressChanged, this, &SentenceStatus::show);
    connect(&reading, &LessonReading::lessonHeardToEnd, this, [this] { m_heardToEnd = true; });
    connect(&reading, &LessonReading::readingFinished, this, &SentenceStatus::readingEnded);
}

bool SentenceStatus::eventFilter(QObject* watched, QEvent* event)
{
    // Only pointers are compared: while the window is torn down, the boxes watched may be half
    // destroyed, and their events still come here.
    if (event->type() == QEvent::Resize && (watched == m_bar || watched == m_narrowBar)) {
        place();
    }
    return QObject::eventFilter(watched, event);
}

void SentenceStatus::place()
{
    const int wanted = m_label->fontMetrics().horizontalAdvance(m_label->text()) + margin;
    const int room = m_bar->width() - buttonsEnd - margin;
    QWidget* home = m_bar;
    QRect where(buttonsEnd, 0, room, m_bar->height());
    if (room < wanted) {
        // The buttons fill a narrow window's bar. The current sentence's own corner is no home:
        // a sentence of three lines runs under it. The bar below the sentence has room right
        // of its heading.
        home = m_narrowBar;
        where = QRect(0, 0, home->width() - margin, home->height());
    }
    if (m_label->parentWidget() != home) {
        m_label->setParent(home);
        m_label->show();
    }
    m_label->setGeometry(where);
}

void SentenceStatus::show()
{
    m_label->setText(m_reading.progress().text());
    place();
    m_sentenceBox->setPlaceholderText(QString());
}

void SentenceStatus::readingEnded()
{
    m_sentenceBox->setPlaceholderText(
        m_heardToEnd ? QStringLiteral("全课朗读完了。点任一句可以再听，按 F6 从头再读一遍。")
                     : QStringLiteral("朗读已停止。点任一句可以接着听，按 F6 从头朗读。"));
    m_heardToEnd = false;
}
