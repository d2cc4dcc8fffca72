#include "shadowing/shadowingpanel.h"

#include "widgets/designgeometry.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QThreadPool>
#include <QVBoxLayout>
#include <memory>

ShadowingPanel::ShadowingPanel(QWidget* studyWindow) : QWidget(studyWindow, Qt::Tool)
{
    setObjectName(QStringLiteral("shadowingPanel"));
    setWindowTitle(QStringLiteral("跟读"));
    setFont(DesignGeometry::chineseFont(9));
    setAttribute(Qt::WA_DeleteOnClose, false);

    m_sentence = new QLabel(this);
    m_sentence->setObjectName(QStringLiteral("shadowingSentence"));
    m_sentence->setFont(DesignGeometry::arialFont(12));
    m_sentence->setWordWrap(true);
    m_sentence->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("shadowingStatus"));
    m_status->setWordWrap(true);
    m_comparison = new WaveformComparison(this);

    m_compare = new QPushButton(QStringLiteral("对比"), this);
    m_compare->setObjectName(QStringLiteral("shadowingCompare"));
    m_compare->setToolTip(QStringLiteral("先听原声，再听自己的跟读（Shift+F7）"));
    m_compare->setEnabled(false);
    auto* stop = new QPushButton(QStringLiteral("停止"), this);
    stop->setObjectName(QStringLiteral("shadowingStop"));
    stop->setToolTip(QStringLiteral("停止跟读（Esc）"));
    connect(m_compare, &QPushButton::clicked, this, &ShadowingPanel::compareRequested);
    connect(stop, &QPushButton::clicked, this, &ShadowingPanel::stopRequested);
    // This is a window of its own: the study window's Esc does not reach it.
    auto* escape = new QAction(this);
    escape->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(escape, &QAction::triggered, this, &ShadowingPanel::stopRequested);
    addAction(escape);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_compare);
    buttons->addWidget(stop);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_sentence);
    layout->addWidget(m_comparison, 1);
    layout->addLayout(buttons);
    resize(660, 340);
    studyWindow->installEventFilter(this);
}

void ShadowingPanel::setSentence(const QString& text)
{
    m_sentence->setText(text);
}

void ShadowingPanel::setStatus(const QString& text, bool problem)
{
    m_status->setText(text);
    m_status->setStyleSheet(problem ? QStringLiteral("color: #c00000;")
                                    : QStringLiteral("color: #1f3f6e;"));
}

void ShadowingPanel::setCompareEnabled(bool enabled)
{
    m_compare->setEnabled(enabled);
}

bool ShadowingPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Hide) {
        emit studyWindowHidden();
    }
    return QWidget::eventFilter(watched, event);
}

void ShadowingPanel::showComparison(TrackMaker original, TrackMaker take)
{
    const int request = ++m_pictureRequest;
    const QPointer<ShadowingPanel> self(this);
    QThreadPool::globalInstance()->start(
        [self, request, original = std::move(original), take = std::move(take)] {
            auto tracks =
                std::make_shared<std::pair<WaveformComparison::Track, WaveformComparison::Track>>(
                    original(), take());
            // Back on the panel's thread, where a panel gone meanwhile is noticed.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, request, tracks] {
                    if (self && request == self->m_pictureRequest) {
                        self->m_comparison->setOriginal(std::move(tracks->first));
                        self->m_comparison->setTake(std::move(tracks->second));
                    }
                },
                Qt::QueuedConnection);
        });
}

void ShadowingPanel::clearComparison()
{
    ++m_pictureRequest;
    m_comparison->clear();
}
