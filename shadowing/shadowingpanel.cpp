#include "shadowing/shadowingpanel.h"

#include "widgets/designgeometry.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QThreadPool>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

ShadowingPanel::ShadowingPanel(QWidget* host) : QFrame(host)
{
    setObjectName(QStringLiteral("shadowingPanel"));
    setFont(DesignGeometry::chineseFont(9));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(228, 239, 252));
    setPalette(colours);

    auto* title = new QLabel(QStringLiteral("跟读"), this);
    title->setObjectName(QStringLiteral("shadowingTitle"));
    title->setStyleSheet(QStringLiteral("font-weight: bold; color: #1f3f6e;"));
    m_holdSentence = new QCheckBox(QStringLiteral("只跟读本句"), this);
    m_holdSentence->setObjectName(QStringLiteral("shadowingHoldSentence"));
    m_holdSentence->setToolTip(QStringLiteral("反复跟读当前这一句，直到停止或换到别的句子"));
    connect(m_holdSentence, &QCheckBox::toggled, this, &ShadowingPanel::holdSentenceToggled);
    auto* close = new QToolButton(this);
    close->setObjectName(QStringLiteral("shadowingClose"));
    close->setText(QStringLiteral("×"));
    close->setAutoRaise(true);
    close->setToolTip(QStringLiteral("关闭跟读（Esc）"));
    connect(close, &QToolButton::clicked, this, &ShadowingPanel::closeRequested);

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

    auto* heading = new QHBoxLayout;
    heading->addWidget(title);
    heading->addSpacing(12);
    heading->addWidget(m_sentence, 1);
    heading->addWidget(m_holdSentence);
    heading->addWidget(close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_compare);
    buttons->addWidget(stop);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 6);
    layout->setSpacing(4);
    layout->addLayout(heading);
    layout->addWidget(m_comparison, 1);
    layout->addLayout(buttons);
    hide();
    host->window()->installEventFilter(this);
}

void ShadowingPanel::setSentence(const QString& text)
{
    m_sentence->setText(text);
}

QString ShadowingPanel::sentence() const
{
    return m_sentence->text();
}

void ShadowingPanel::setHoldSentence(bool hold)
{
    const QSignalBlocker quiet(m_holdSentence);
    m_holdSentence->setChecked(hold);
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
    if (watched == window() && event->type() == QEvent::Hide) {
        emit studyWindowHidden();
    }
    return QFrame::eventFilter(watched, event);
}

void ShadowingPanel::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    emit visibilityChanged();
}

void ShadowingPanel::hideEvent(QHideEvent* event)
{
    QFrame::hideEvent(event);
    // The window hiding hides the panel along with it; only the panel's own hiding frees room.
    if (!event->spontaneous() && !isVisibleTo(parentWidget())) {
        emit visibilityChanged();
    }
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
