#include "dictation/dictationwindow.h"
#include "dictationfixture.h"
#include "widgets/facebutton.h"
#include "widgets/sitepages.h"

#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <cmath>

namespace {

struct Element
{
    const char* name;
    int left;
    int top;
    int width;
    int height;
};

// The window's design, in twips, as the layout was drawn.
constexpr Element design[] = {
    {"banner", 0, 0, 10935, 855},
    {"bannerIcon", 60, 180, 480, 480},
    {"lessonTitle", 660, 240, 2160, 195},
    {"creditLine", 660, 480, 1845, 225},
    {"lessonTreeFrame", 60, 900, 2595, 5895},
    {"lessonTreeBar", 90, 930, 2550, 315},
    {"lessonTree", 120, 1260, 2475, 5490},
    {"translationFrame", 2700, 900, 8115, 1935},
    {"translationBack", 2700, 900, 8115, 1935},
    {"translationBar", 2730, 930, 8055, 400},
    {"translationLine", 2760, 1380, 6975, 1305},
    {"translationToggleBack", 9840, 1680, 855, 555},
    {"answerFrame", 2700, 2880, 8115, 1935},
    {"answerBack", 2700, 2880, 8115, 1935},
    {"answerBar", 2730, 2910, 8055, 400},
    {"answerBox", 2760, 3300, 7995, 1455},
    {"inputFrame", 2700, 4860, 8115, 1935},
    {"inputBar", 2730, 4890, 8055, 400},
    {"inputBox", 2760, 5280, 7995, 1455},
    {"previousButton", 4860, 6960, 1125, 315},
    {"nextButton", 6060, 6960, 1125, 315},
    {"replayButton", 7260, 6960, 1125, 315},
    {"answerButton", 8460, 6960, 1125, 315},
    {"quitButton", 9660, 6960, 1125, 315},
};

int px(int twips)
{
    return int(std::lround(twips / 15.0));
}

QColor pixel(QWidget* widget, QPoint at)
{
    return widget->grab().toImage().pixelColor(at);
}

} // namespace

class TestDictationWindowWindow : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_fixture = std::make_unique<DictationFixture>();
        QVERIFY(m_fixture->isValid());
    }
    void cleanup()
    {
        m_fixture.reset();
        SitePages::setOpener({});
    }

    void windowStandsAsDesigned()
    {
        DictationWindow& window = m_fixture->window();
        QCOMPARE(window.windowTitle(), QStringLiteral("听写练习"));
        QCOMPARE(window.size(), QSize(px(10860), px(7545)));
        QVERIFY(!window.windowIcon().isNull());
        const QRect screen = window.screen()->geometry();
        QCOMPARE(window.x(), screen.x() + (screen.width() - window.width()) / 2);
        QCOMPARE(window.y(), screen.y() + (screen.height() - window.height()) / 2);

        for (const Element& e : design) {
            auto* widget = window.findChild<QWidget*>(QString::fromLatin1(e.name));
            QVERIFY2(widget, e.name);
            QCOMPARE(widget->parentWidget(), &window);
            QVERIFY2(widget->isVisible(), e.name);
            QCOMPARE(widget->geometry(), QRect(px(e.left), px(e.top), px(e.width), px(e.height)));
        }
        // The frames draw over the panels but never catch a click.
        for (const char* frame :
             {"lessonTreeFrame", "answerFrame", "translationFrame", "inputFrame"}) {
            QVERIFY(window.findChild<QWidget*>(QString::fromLatin1(frame))
                        ->testAttribute(Qt::WA_TransparentForMouseEvents));
        }
    }

    void headingsCaptionsAndColours()
    {
        DictationWindow& window = m_fixture->window();
        const QList<std::pair<QString, QString>> headings{
            {QStringLiteral("lessonTreeHeading"), QStringLiteral("选择课文")},
            {QStringLiteral("translationHeading"), QStringLiteral("中文翻译")},
            {QStringLiteral("answerHeading"), QStringLiteral("核对答案")},
            {QStringLiteral("inputHeading"), QStringLiteral("输入英文")}};
        const QStringList bars{QStringLiteral("lessonTreeBar"), QStringLiteral("translationBar"),
                               QStringLiteral("answerBar"), QStringLiteral("inputBar")};
        for (int i = 0; i < headings.size(); ++i) {
            QLabel* heading = m_fixture->label(headings[i].first);
            QVERIFY(heading);
            QCOMPARE(heading->text(), headings[i].second);
            QCOMPARE(heading->parentWidget()->objectName(), bars[i]);
            QCOMPARE(QFontInfo(heading->font()).family(), QStringLiteral("Noto Sans CJK SC"));
        }
        QCOMPARE(m_fixture->label(QStringLiteral("lessonTitle"))->text(), QStringLiteral("Orlune"));
        for (const char* name : {"lessonTitle", "creditLine"}) {
            QCOMPARE(
                m_fixture->label(QString::fromLatin1(name))->palette().color(QPalette::WindowText),
                QColor(0, 192, 192));
        }
        QCOMPARE(m_fixture->label(QStringLiteral("creditLine"))->cursor().shape(),
                 Qt::PointingHandCursor);
        QVERIFY(!m_fixture->label(QStringLiteral("bannerIcon"))->pixmap().isNull());

        // Arial 10.5 pt in the three text areas: blue typing, red answer, blue translation.
        const QList<std::tuple<QWidget*, QPalette::ColorRole, QColor>> boxes{
            {m_fixture->input(), QPalette::Text, QColor(0, 0, 255)},
            {m_fixture->answer(), QPalette::Text, QColor(255, 0, 0)},
            {m_fixture->label(QStringLiteral("translationLine")), QPalette::WindowText,
             QColor(0, 0, 255)},
        };
        for (const auto& [box, role, color] : boxes) {
            QCOMPARE(box->font().families().value(0), QStringLiteral("Arial"));
            QCOMPARE(box->font().pointSizeF(), 10.5);
            QVERIFY(QFontInfo(box->font()).family() == QLatin1String("Liberation Sans") ||
                    QFontInfo(box->font()).family() == QLatin1String("Arial"));
            QCOMPARE(box->palette().color(role), color);
        }
        QVERIFY(!m_fixture->input()->isReadOnly());
        QVERIFY(m_fixture->answer()->isReadOnly());

        // What is on the screen: banner, window, a white panel and its silver frame.
        QCOMPARE(pixel(&window, {300, 5}), QColor(203, 222, 245));
        QCOMPARE(pixel(&window, {10, 480}), QColor(236, 237, 239));
        QCOMPARE(pixel(&window, {700, 100}), QColor(Qt::white));
        QCOMPARE(pixel(&window, {px(2700), px(1500)}), QColor(192, 192, 192));
    }

    void bannerShowsTheWindowIcon()
    {
        // The study window hands its own icon over after creating the window.
        QPixmap red(32, 32);
        red.fill(Qt::red);
        m_fixture->window().setWindowIcon(QIcon(red));
        const QImage shown = m_fixture->label(QStringLiteral("bannerIcon"))->pixmap().toImage();
        QCOMPARE(shown.pixelColor(16, 16), QColor(Qt::red));
    }

    void opensWithNothingLoaded()
    {
        DictationWindow& window = m_fixture->window();
        QCOMPARE(m_fixture->buttonStates(), (QList<bool>{false, false, false, false, true}));
        const QStringList captions{QStringLiteral("上一句"), QStringLiteral("下一句"),
                                   QStringLiteral("朗  读"), QStringLiteral("答  案"),
                                   QStringLiteral("退  出")};
        const QList<int> indices{6, 1, 2, 3, 4};
        for (int i = 0; i < indices.size(); ++i) {
            FaceButton* button = m_fixture->button(indices[i]);
            QCOMPARE(button->caption(), captions[i]);
            QCOMPARE(button->captionLabel()->objectName(),
                     DictationFixture::buttonName(indices[i]) + QStringLiteral("Caption"));
        }
        QCOMPARE(m_fixture->toggleCaption(), QStringLiteral("隐 藏"));
        QVERIFY(m_fixture->shownTranslation().isEmpty());
        QVERIFY(window.hiddenTranslation().isEmpty());
        QVERIFY(m_fixture->input()->toPlainText().isEmpty());
        QVERIFY(m_fixture->answer()->toPlainText().isEmpty());
        QCOMPARE(window.currentSentence(), 0);
        QVERIFY(!window.isWatchingPlayback());
        QVERIFY(window.lessonAudioFile().isEmpty());
    }

    void openingLeavesThePlayerAlone()
    {
        // Whatever the study window had loaded stays loaded until a lesson is chosen here.
        MediaPlayer& player = m_fixture->player();
        const QString recording =
            QDir(DictationFixture::voiceLibrary()).filePath(QStringLiteral("QVN102.dat"));
        player.setUrl(recording);
        QVERIFY(player.hasMedia());
        player.controls().setCurrentPosition(3.25);
        m_fixture->reopen();
        QCOMPARE(player.url(), recording);
        QVERIFY(player.hasMedia());
        QCOMPARE(player.controls().currentPosition(),
                 double(MediaPlayer::startFrame(3.25, player.sampleRate())) / player.sampleRate());
    }

    void treeHoldsTheWholeCourse() { LessonTreeClicks::checkWholeCourse(m_fixture->tree()); }

    void webLinkOpensTheHomePage()
    {
        QList<QUrl> opened;
        SitePages::setOpener([&opened](const QUrl& url) { opened.append(url); });
        QLabel* link = m_fixture->label(QStringLiteral("creditLine"));
        QVERIFY(!link->text().isEmpty());
        QTest::mouseClick(link, Qt::RightButton);
        QVERIFY(opened.isEmpty());
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(opened, QList<QUrl>{SitePages::homePage()});
        QVERIFY(opened.first().isLocalFile());

        // The other captions are plain text.
        for (const char* name : {"answerHeading", "lessonTreeHeading", "inputHeading",
                                 "translationHeading", "lessonTitle"}) {
            QTest::mouseClick(m_fixture->label(QString::fromLatin1(name)), Qt::LeftButton);
        }
        QCOMPARE(opened.size(), 1);
        QCOMPARE(m_fixture->toggleCaption(), QStringLiteral("隐 藏"));
    }

    void closingShowsTheStudyWindowAndKeepsThePlayer()
    {
        m_fixture->openLesson(1, 2);
        MediaPlayer& player = m_fixture->player();
        QVERIFY(player.hasMedia());
        const QString url = player.url();

        DictationWindow& window = m_fixture->window();
        QSignalSpy closed(&window, &DictationWindow::closed);
        m_fixture->clickButton(4, Qt::MiddleButton);
        QCOMPARE(closed.size(), 1);
        QVERIFY(!window.isVisible());
        QCOMPARE(player.url(), url);
        QVERIFY(player.hasMedia());

        // The title bar's close says the same.
        m_fixture->reopen();
        QSignalSpy closedAgain(&m_fixture->window(), &DictationWindow::closed);
        m_fixture->window().close();
        QCOMPARE(closedAgain.size(), 1);
    }

    void buttonFacesFollowTheMouse()
    {
        m_fixture->openLesson(1, 1);
        FaceButton* answer = m_fixture->button(3);
        const QPoint corner(3, 3);
        const QPoint captionAt = answer->captionLabel()->pos();
        QCOMPARE(pixel(answer, corner), DictationFixture::normalColor);

        QTest::mousePress(answer, Qt::RightButton, {}, answer->rect().center());
        QVERIFY(answer->isPressed());
        QCOMPARE(pixel(answer, corner), DictationFixture::pressedColor);
        QVERIFY(m_fixture->answer()->toPlainText().isEmpty());
        // Released away from the button: still its release, and its action.
        QTest::mouseRelease(answer, Qt::RightButton, {}, QPoint(-40, -30));
        QVERIFY(!answer->isPressed());
        QCOMPARE(pixel(answer, corner), DictationFixture::normalColor);
        QCOMPARE(m_fixture->answer()->toPlainText(), QStringLiteral("Good morning, Dad."));
        QCOMPARE(answer->captionLabel()->pos(), captionAt);

        // A second mouse button while one is held neither shifts the caption nor acts twice.
        QTest::mousePress(answer, Qt::LeftButton, {}, answer->rect().center());
        QTest::mousePress(answer, Qt::RightButton, {}, answer->rect().center());
        QTest::mouseRelease(answer, Qt::LeftButton, {}, answer->rect().center());
        QTest::mouseRelease(answer, Qt::RightButton, {}, answer->rect().center());
        QCOMPARE(answer->captionLabel()->pos(), captionAt);
        QVERIFY(!answer->isPressed());
    }

    void disabledButtonsAreGreyAndInert()
    {
        FaceButton* replay = m_fixture->button(2);
        QVERIFY(!replay->isEnabled());
        QVERIFY(!replay->captionLabel()->isEnabled());
        QVERIFY(pixel(replay, {3, 3}) != DictationFixture::normalColor);
        QTest::mousePress(replay, Qt::LeftButton, {}, replay->rect().center());
        QVERIFY(!replay->isPressed());
        QTest::mouseRelease(replay, Qt::LeftButton, {}, replay->rect().center());
        QVERIFY(!m_fixture->window().isWatchingPlayback());
        QCOMPARE(m_fixture->player().endPosition(), -1.0);
    }

private:
    std::unique_ptr<DictationFixture> m_fixture;
};

DICTATION_TEST_MAIN(TestDictationWindowWindow)
#include "tst_dictationwindow_window.moc"
