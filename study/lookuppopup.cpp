#include "lookuppopup.h"

#include "form1layout.h"
#include "lookupresult.h"

#include <QLabel>

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
    return {Form1Layout::toPixels(left), Form1Layout::toPixels(top)};
}

} // namespace

LookupPopup::LookupPopup(QWidget* parent)
    : QFrame(parent), m_Label11(popupLabel(QStringLiteral("Label11"), "#ff0000", this)),
      m_Label12(popupLabel(QStringLiteral("Label12"), "#00c0c0", this)),
      m_Label15(popupLabel(QStringLiteral("Label15"), "#00c0c0", this)),
      m_Label13(popupLabel(QStringLiteral("Label13"), "#00c0c0", this)),
      m_Label16(popupLabel(QStringLiteral("Label16"), "#00c0c0", this))
{
    setObjectName(QStringLiteral("Picture8"));
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("LookupPopup { background-color: #ffffc0; border: 1px solid "
                                 "#c8c890; }"));
    // The popup stands under the pointer while the button is held: it must not take the
    // release that hides it.
    setAttribute(Qt::WA_TransparentForMouseEvents);

    QFont headword = DesignGeometry::arialFont(9);
    headword.setBold(true);
    m_Label11->setFont(headword);
    QFont phonetic;
    phonetic.setFamilies({QStringLiteral("Doulos SIL"), QStringLiteral("Noto Sans")});
    phonetic.setPointSizeF(9);
    m_Label15->setFont(phonetic);

    m_Label11->move(twipsAt(80, 0));
    m_Label12->move(twipsAt(60, 240));
    m_Label15->move(twipsAt(165, 240));
    m_Label13->move(twipsAt(0, 240));
    m_Label12->setText(QStringLiteral("["));
    m_Label13->setText(QStringLiteral("]"));
    m_Label12->adjustSize();
    m_Label13->adjustSize();
    m_Label16->setGeometry(Form1Layout::toPixels(Form1Layout::Twips{75, 480, 2160, 420}));
    m_Label16->setWordWrap(true);
    m_Label16->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    hide();
}

void LookupPopup::showEntry(const LookupResult& entry)
{
    m_Label11->setText(entry.headword);
    m_Label11->adjustSize();
    m_Label16->setText(entry.meaning);
    m_Label15->setText(entry.ipaTranscription);
    m_Label15->adjustSize();
    m_Label12->hide();
    m_Label13->hide();
    if (!entry.fontTranscription.isEmpty()) {
        m_Label13->move(m_Label15->x() + m_Label15->width() + Form1Layout::toPixels(20),
                        m_Label13->y());
        m_Label12->show();
        m_Label13->show();
    }
    raise();
    show();
}
