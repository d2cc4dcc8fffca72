#include "shadowing/shadowingsession.h"
#include "study/studywindow.h"
#include "study/toolbarbutton.h"
#include "studyfixture.h"
#include "testmain.h"

#include <QAction>
#include <QSignalSpy>
#include <QTest>

// Shadowing on a machine whose sound server is gone: it ends at once, says so once, and the
// window is left as before.
class TestStudyWindowShadowingNoDevice : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
#ifdef Q_OS_LINUX
        // Before Qt Multimedia first connects: a server address where none listens.
        qputenv("PULSE_SERVER", "unix:/nonexistent/orlune-no-sound-server");
#else
        QSKIP("simulating a machine without sound devices needs PulseAudio");
#endif
    }

    void shadowingStopsAndSaysItOnce()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(
            dir.path(),
            {{QStringLiteral("One."), QStringLiteral(".5"), QStringLiteral("1")},
             {QStringLiteral("Two."), QStringLiteral("1.5"), QString()}},
            3.0));
        StudyWindow& window = fixture.window();
        QStringList notices;
        window.prompts().notify = [&](const QString& text) { notices.append(text); };
        fixture.openLesson(1, 1);
        QSignalSpy finished(&window.shadowing(), &ShadowingSession::finished);

        for (int attempt = 1; attempt <= 2; ++attempt) {
            window.findChild<QAction*>(QStringLiteral("跟读"))->trigger();
            QTRY_COMPARE_WITH_TIMEOUT(finished.size(), attempt, 3000);
            QVERIFY(!window.shadowing().isActive());
        }
        QTest::qWait(200);
        QVERIFY2(notices.size() == 1, qPrintable(notices.join(u'\n')));
        QVERIFY(notices[0].contains(QStringLiteral("声音")));
        QVERIFY(!window.findChild<ToolbarButton*>(QStringLiteral("stopReadingButton"))
                     ->isActionEnabled());
        QVERIFY(!window.shadowing().hasTake(0));
    }
};

ORLUNE_TEST_MAIN(TestStudyWindowShadowingNoDevice)

#include "tst_studywindow_shadowing_nodevice.moc"
