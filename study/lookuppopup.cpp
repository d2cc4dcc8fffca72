#include "study/lookuppopup.h"

#include "lookup/lookupresult.h"
#include "study/studywindowlayout.h"

#include <QLabel>
#include <algorithm>

namespace {

QLabel* popupLabel(const QString& name, const QString& color, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setStyleSheet(QStringLiteral("background: transparent; color: %1;").arg(color));
    return label;
}

QPoint twipsAt(int left, int top)
{
    return {StudyWindowLayout::toPixels(left), StudyWindowLayout::toPixels(top)};
}

} // namespace

LookupPopup::LookupPopup(QWidget* parent)
    : QFrame(parent), m_headword(popupLabel(QStringLiteral("headword"), "#ff0000", this)),
      m_openBracket(popupLabel(QStringLiteral("openBracket"), "#00c0c0", this)),
      m_transcription(popupLabel(QStringLiteral("transcription"), "#00c0c0", this)),
      m_closeBracket(popupLabel(QStringLiteral("closeBracket"), "#00c0c0", this)),
      m_meaning(popupLabel(QStringLiteral("meaning"), "#00c0c0", this))
{
    setObjectName(QStringLiteral("wordPopup"));
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("LookupPopup { background-color: #ffffc0; border: 1px solid "
                                 "#c8c890; }"));
    // The popup stands under the pointer while the button is held: it must not take the
    // release that hides it.
    setAttribute(Qt::WA_TransparentForMouseEvents);

    QFont headword = DesignGeometry::arialFont(9);
    headword.setBold(true);
    m_headword->setFont(headword);
    QFont phonetic;
    phonetic.setFamilies({QStringLiteral("Doulos SIL"), QStringLiteral("Noto Sans")});
    phonetic.setPointSizeF(9);
    m_transcription->setFont(phonetic);

    m_headword->move(twipsAt(80, 0));
    m_openBracket->move(twipsAt(60, 240));
    m_transcription->move(twipsAt(165, 240));
    m_closeBracket->move(twipsAt(0, 240));
    m_openBracket->setText(QStringLiteral("["));
    m_closeBracket->setText(QStringLiteral("]"));
    m_openBracket->adjustSize();
    m_closeBracket->adjustSize();
    m_meaning->setGeometry(
        StudyWindowLayout::toPixels(StudyWindowLayout::Twips{75, 480, 2160, 420}));
    m_meaning->setWordWrap(true);
    m_meaning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    hide();
}

void LookupPopup::showEntry(const LookupResult& entry)
{
    m_headword->setText(entry.headword);
    m_headword->adjustSize();
    m_meaning->setText(entry.meaning);
    m_transcription->setText(entry.ipaTranscription);
    m_transcription->adjustSize();
    m_openBracket->hide();
    m_closeBracket->hide();
    if (!entry.fontTranscription.isEmpty()) {
        m_closeBracket->move(m_transcription->x() + m_transcription->width() +
                                 StudyWindowLayout::toPixels(20),
                             m_closeBracket->y());
        m_openBracket->show();
        m_closeBracket->show();
    }
    fitToContent();
    raise();
    show();
}

void LookupPopup::fitToContent()
{
    using namespace StudyWindowLayout;
    // The meaning keeps its width and wraps; it takes as many lines as it has.
    m_meaning->resize(m_meaning->width(), m_meaning->heightForWidth(m_meaning->width()));
    const QRect design = toPixels(designRect(QStringLiteral("wordPopup")));
    const QRect content = childrenRect();
    const int margin = toPixels(75);
    QSize size(std::max(design.width(), content.right() + 1 + margin),
               std::max(design.height(), content.bottom() + 1 + margin));
    QPoint at = pos();
    // Whole inside the window it stands in: pulled back from the right and the bottom edge.
    if (const QWidget* window = parentWidget()) {
        size = size.boundedTo(window->size());
        at.setX(std::clamp(at.x(), 0, window->width() - size.width()));
        at.setY(std::clamp(at.y(), 0, window->height() - size.height()));
    }
    setGeometry(QRect(at, size));
}
