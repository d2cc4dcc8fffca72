#include "study/studyprompts.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

StudyPrompts StudyPrompts::standard(QWidget* window)
{
    StudyPrompts prompts;
    prompts.savePath = [window] {
        return QFileDialog::getSaveFileName(window, QStringLiteral("保存"), QDir::homePath(),
                                            QStringLiteral("wav(*.wav)"), nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };
    prompts.confirmReplace = [window](const QString& path) {
        return QMessageBox::question(window, QStringLiteral("保存"),
                                     QStringLiteral("文件 %1 已经存在，要替换它吗？")
                                         .arg(QDir::toNativeSeparators(path))) == QMessageBox::Yes;
    };
    prompts.notify = [window](const QString& text) {
        // Beside the window, not blocking it: a reading or a replay goes on meanwhile.
        auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Orlune"), text,
                                    QMessageBox::Ok, window);
        box->setObjectName(QStringLiteral("notice"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->show();
    };
    return prompts;
}
