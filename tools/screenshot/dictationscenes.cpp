#include "tools/screenshot/dictationscenes.h"

#include "dictation/dictationwindow.h"
#include "tools/screenshot/sceneclicks.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>

bool saveScene(QWidget& window, const QString& folder, const QString& name)
{
    // Let the window system draw everything before the picture is taken.
    for (int i = 0; i < 10; ++i) {
        QTest::qWait(50);
    }
    QPixmap picture;
    if (QScreen* screen = window.screen()) {
        picture = screen->grabWindow(window.winId());
    }
    if (picture.isNull() || picture.size().isEmpty()) {
        picture = window.grab();
    }
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    const bool saved = picture.save(path);
    fprintf(stderr, "%s %s\n", saved ? "saved" : "could not save", qPrintable(path));
    return saved;
}

bool saveDictationScenes(MediaPlayer& player, const QPixmap& normalFace, const QPixmap& pressedFace,
                         const QString& tempPath, const QString& voiceLibrary,
                         const QString& folder)
{
    QDir().mkpath(folder);
    DictationWindow window(player, normalFace, pressedFace, tempPath, voiceLibrary);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return false;
    }
    bool saved = saveScene(window, folder, QStringLiteral("dictation-start"));

    auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("lessonTree"));
    auto* input = window.findChild<QPlainTextEdit*>(QStringLiteral("inputBox"));
    auto* answer = window.findChild<QWidget*>(QStringLiteral("answerButton"));
    if (!tree || !input || !answer) {
        return false;
    }
    clickNode(tree, tree->topLevelItem(0));
    clickNode(tree, tree->topLevelItem(0)->child(0));
    QTest::keyClicks(input, QStringLiteral("Good mornin, dad"));
    saved = saveScene(window, folder, QStringLiteral("dictation-lesson")) && saved;

    QTest::mouseClick(answer, Qt::LeftButton, {}, answer->rect().center());
    saved = saveScene(window, folder, QStringLiteral("dictation-answer")) && saved;
    window.close();
    return saved;
}
