// The study window's voice recording: record, replay and keep a copy.
#include "facebutton.h"
#include "form1.h"

void Form1::recordingButtonReleased(int index)
{
    if (index != 3) {
        return;
    }
    if (m_Label5[3]->caption() == QStringLiteral("● 录音")) {
        m_Label5[3]->setCaption(QStringLiteral("停止录音"));
        m_Label5[4]->setEnabled(false);
        m_Label5[5]->setEnabled(false);
    } else {
        m_Label5[4]->setEnabled(true);
        m_Label5[5]->setEnabled(true);
        m_Label5[3]->setCaption(QStringLiteral("● 录音"));
    }
}
