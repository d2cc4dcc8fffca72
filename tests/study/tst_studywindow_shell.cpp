#include "import/importdialog.h"
#include "lessons/lessoncatalog.h"
#include "reading/practicesettings.h"
#include "study/startscreen.h"
#include "study/studywindow.h"
#include "study/studywindowlayout.h"
#include "studyfixture.h"
#include "testmain.h"
#include "widgets/facebutton.h"
#include "widgets/sitepages.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

using namespace StudyWindowLayout;

class TestStudyWindowShell : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_opened.clear();
        SitePages::setOpener([this](const QUrl& url) { m_opened.append(url); });
        m_fixture = std::make_unique<StudyFixture>();
    }
    void cleanup()
    {
        m_fixture.reset();
        SitePages::setOpener({});
    }

    void helpAndHomeOpenTheLocalSite()
    {
        StudyWindow& window = m_fixture->window();
        releaseOn(QStringLiteral("helpIcon"), Qt::LeftButton);
        releaseOn(QStringLiteral("helpCaption"), Qt::RightButton);
        releaseOn(QStringLiteral("homeIcon"), Qt::LeftButton);
        releaseOn(QStringLiteral("homeCaption"), Qt::MiddleButton);
        // A release on the frame itself, off the icon and caption, does nothing.
        releaseOn(QStringLiteral("homeButton"), Qt::LeftButton);
        window.findChild<QAction*>(QStringLiteral("在线帮助"))->trigger();
        window.findChild<QAction*>(QStringLiteral("访问作者主页"))->trigger();
        QLabel* credit = window.findChild<QLabel*>(QStringLiteral("creditLine"));
        QTest::mouseClick(credit, Qt::LeftButton);
        // The other headings do nothing.
        QTest::mouseClick(window.findChild<QLabel*>(QStringLiteral("lessonTreeHeading")),
                          Qt::LeftButton);

        const QUrl help = SitePages::helpPage();
        const QUrl home = SitePages::homePage();
        QCOMPARE(m_opened, (QList<QUrl>{help, help, home, home, help, home, home}));
        QVERIFY(help.toLocalFile().endsWith(QStringLiteral("/03/tavrel/help.htm")));
        QVERIFY2(QFileInfo::exists(help.toLocalFile()), qPrintable(help.toLocalFile()));
        QVERIFY(QFileInfo::exists(home.toLocalFile()));
    }

    // The empty first screen says where to start and, with a remembered place, offers a way
    // back there; it goes once a lesson is open and comes back after a book click.
    void theFirstScreenSaysWhereToStart()
    {
        StudyWindow& window = m_fixture->window();
        auto* screen = window.findChild<QWidget*>(QStringLiteral("startScreen"));
        QVERIFY(screen);
        auto* hint = screen->findChild<QLabel*>(QStringLiteral("startHint"));
        auto* offer = screen->findChild<QPushButton*>(QStringLiteral("continueButton"));
        window.load();
        QVERIFY(screen->isVisible());
        // The whole pane, whatever its size.
        QCOMPARE(screen->size(),
                 window.findChild<QTextEdit*>(QStringLiteral("lessonText"))->viewport()->size());
        QVERIFY2(hint->text().contains(QStringLiteral("选择课文")), qPrintable(hint->text()));
        QVERIFY(!offer->isVisible());

        window.practice().setLastPlace({1, 2, 4});
        window.load();
        QVERIFY(offer->isVisible());
        QCOMPARE(offer->text(), QStringLiteral("继续上次学习：第 1 册 Lesson 2，第 5 句"));
        QTest::mouseClick(offer, Qt::LeftButton);
        QCOMPARE(window.lessonNumber(), 2);
        QCOMPARE(window.currentSentence(), 4);
        QVERIFY(!screen->isVisible());

        m_fixture->click(m_fixture->bookNode(1));
        QVERIFY(screen->isVisible());
        QCOMPARE(offer->text(), QStringLiteral("继续上次学习：第 1 册 Lesson 2，第 5 句"));
    }

    // The first screen's offer, for each place the settings may remember: what it says, that
    // it leads only to a lesson with something to study, and that it is read anew each time the
    // screen comes back, over the whole pane.
    void theStartScreenOffersTheRememberedPlace_data()
    {
        QTest::addColumn<QList<int>>("place"); // book, lesson, sentence; empty: none
        QTest::addColumn<QString>("offer");    // "": no offer
        QTest::newRow("nothing remembered") << QList<int>{} << QString();
        QTest::newRow("a lesson opened, no sentence chosen")
            << QList<int>{1, 2, -1} << QStringLiteral("继续上次学习：第 1 册 Lesson 2");
        QTest::newRow("its first sentence")
            << QList<int>{1, 2, 0} << QStringLiteral("继续上次学习：第 1 册 Lesson 2，第 1 句");
        QTest::newRow("the last sentence of a lesson in the last book")
            << QList<int>{4, 3, 9} << QStringLiteral("继续上次学习：第 4 册 Lesson 3，第 10 句");
        // An import since removed leaves such a lesson: the offer would open an empty pane.
        QTest::newRow("a lesson with nothing to study") << QList<int>{1, 5, 3} << QString();
        QTest::newRow("a book the course has not") << QList<int>{9, 1, 0} << QString();
        QTest::newRow("a lesson the book has not")
            << QList<int>{1, LessonCatalog::lessonCounts[0] + 1, 0} << QString();
        QTest::newRow("a sentence before the first") << QList<int>{1, 2, -5} << QString();
    }

    void theStartScreenOffersTheRememberedPlace()
    {
        QFETCH(QList<int>, place);
        QFETCH(QString, offer);
        StudyWindow& window = m_fixture->window();
        if (!place.isEmpty()) {
            window.practice().setLastPlace({place[0], place[1], place[2]});
        }
        window.load();
        auto* screen = window.findChild<StartScreen*>();
        auto* pane = window.findChild<QTextEdit*>(QStringLiteral("lessonText"));
        auto* button = screen->findChild<QPushButton*>(QStringLiteral("continueButton"));
        QVERIFY(screen->isVisible());
        QCOMPARE(screen->geometry(), pane->viewport()->rect());
        QCOMPARE(button->isVisible(), !offer.isEmpty());
        if (!offer.isEmpty()) {
            QCOMPARE(button->text(), offer);
            QVERIFY(screen->rect().contains(button->geometry()));
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(window.lessonNumber(), place[1]);
            QCOMPARE(window.currentSentence(), place[2]);
        } else {
            m_fixture->openLesson(1, 1);
        }
        QVERIFY(!screen->isVisible());

        // Back to a book: the place has moved on meanwhile, and the pane has grown.
        window.practice().setLastPlace({1, 3, 4});
        window.resize(window.size() + QSize(200, 120));
        m_fixture->click(m_fixture->bookNode(1));
        QVERIFY(screen->isVisible());
        QTRY_COMPARE(screen->geometry(), pane->viewport()->rect());
        QCOMPARE(button->text(), QStringLiteral("继续上次学习：第 1 册 Lesson 3，第 5 句"));
        QVERIFY(button->isVisible());
    }

    // Without a browser the learner is told where the page lies.
    void withoutABrowserTheNoticeNamesThePage()
    {
        SitePages::setOpener({});
        if (QDesktopServices::openUrl(QUrl(QStringLiteral("file:///nonexistent-page.htm")))) {
            QSKIP("a browser or desktop opener is installed here");
        }
        StudyWindow& window = m_fixture->window();
        QStringList notices;
        window.prompts().notify = [&](const QString& text) { notices.append(text); };
        window.findChild<QAction*>(QStringLiteral("在线帮助"))->trigger();
        QCOMPARE(notices.size(), 1);
        QVERIFY2(notices[0].contains(QDir::toNativeSeparators(SitePages::helpPage().toLocalFile())),
                 qPrintable(notices[0]));
    }

    // The help page names every menu entry and every key of the window, as the learner sees
    // them; an entry or key added without a word in the page fails here.
    void theHelpPageNamesEveryMenuEntryAndKey()
    {
        QFile file(SitePages::helpPage().toLocalFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString page = QString::fromUtf8(file.readAll());
        page.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
        page.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
        page.replace(QStringLiteral("&#160;"), QStringLiteral(" "));
        page.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        StudyWindow& window = m_fixture->window();
        QStringList missing;
        const auto shownText = [](QString text) {
            text.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
            text.remove(u'&');
            text.remove(u'…');
            return text.trimmed();
        };
        for (QAction* menu : window.menuBar()->actions()) {
            const QString title = menu->text().remove(u'&');
            if (!page.contains(title)) {
                missing.append(title);
            }
            // The entries of each menu, and the titles of its submenus (not their choices).
            for (QAction* entry : menu->menu()->actions()) {
                if (!entry->isSeparator() && !page.contains(shownText(entry->text()))) {
                    missing.append(shownText(entry->text()));
                }
            }
        }
        for (QAction* action : window.findChildren<QAction*>()) {
            for (const QKeySequence& keys : action->shortcuts()) {
                QString text = keys.toString(QKeySequence::PortableText);
                text.replace(QStringLiteral("Left"), QStringLiteral("←"));
                text.replace(QStringLiteral("Right"), QStringLiteral("→"));
                if (!page.contains(text)) {
                    missing.append(text);
                }
            }
        }
        missing.removeDuplicates();
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
    }

    void pressingAToolbarButtonDrawsItsBorderUntilRelease()
    {
        StudyWindow& window = m_fixture->window();
        auto* frame = window.findChild<QFrame*>(QStringLiteral("helpButton"));
        QLabel* icon = window.findChild<QLabel*>(QStringLiteral("helpIcon"));
        QCOMPARE(frame->frameShape(), QFrame::NoFrame);
        QTest::mousePress(icon, Qt::RightButton);
        QCOMPARE(frame->frameShape(), QFrame::Box);
        QTest::mouseRelease(icon, Qt::RightButton);
        QCOMPARE(frame->frameShape(), QFrame::NoFrame);
    }

    void disabledReadingButtonsDoNotAct()
    {
        StudyWindow& window = m_fixture->window();
        releaseOn(QStringLiteral("readLessonCaption"), Qt::LeftButton);
        QVERIFY(!window.continuousReading());
        QCOMPARE(window.currentSentence(), -1);
        m_fixture->openLesson(2, 96); // text without a recording: "朗读" stays disabled
        releaseOn(QStringLiteral("readLessonIcon"), Qt::LeftButton);
        QVERIFY(!window.continuousReading());
    }

    void dictationWindowReplacesTheStudyWindowUntilClosed()
    {
        StudyWindow& window = m_fixture->window();
        releaseOn(QStringLiteral("dictationCaption"), Qt::RightButton);
        QWidget* dictation = window.dictationWindow();
        QVERIFY(dictation);
        QCOMPARE(dictation->windowTitle(), QStringLiteral("听写练习"));
        QVERIFY(dictation->isVisible());
        QVERIFY(!window.isVisible());
        dictation->close();
        QVERIFY(window.isVisible());
        QTRY_VERIFY(!window.dictationWindow());
    }

    void quitAndCloseBothEndTheProgram()
    {
        StudyWindow& window = m_fixture->window();
        QSignalSpy spy(&window, &StudyWindow::shutdownRequested);
        window.findChild<QAction*>(QStringLiteral("退出"))->trigger();
        QCOMPARE(spy.count(), 1);
        window.close();
        QCOMPARE(spy.count(), 2);
    }

    void translationSwitchAroundLessonLoads()
    {
        StudyWindow& window = m_fixture->window();
        QLabel* toggle = window.findChild<QLabel*>(QStringLiteral("translationToggle"));
        QLabel* line = window.findChild<QLabel*>(QStringLiteral("translationLine"));
        m_fixture->openLesson(1, 2);
        QCOMPARE(line->text(), StudyWindow::tipText());
        QTest::mouseClick(toggle, Qt::LeftButton);
        QCOMPARE(line->text(), QString());
        // On again before any sentence was chosen: nothing to show.
        QTest::mouseClick(window.findChild<QWidget*>(QStringLiteral("translationToggleBack")),
                          Qt::LeftButton);
        QCOMPARE(toggle->text(), QStringLiteral("隐 藏"));
        QCOMPARE(line->text(), QString());
    }

    void captionsAreTheLearnersChinese()
    {
        StudyWindow& window = m_fixture->window();
        const QList<std::pair<const char*, const char*>> labels{
            {"readLessonCaption", "朗读"},
            {"stopReadingCaption", "停止"},
            {"dictationCaption", "听写"},
            {"helpCaption", "帮助"},
            {"homeCaption", "主页"},
            {"sentenceHeading", "句子学习"},
            {"lessonTreeHeading", "选择课文"},
            {"newWordsHeading", "生词列表"},
            {"translationHeading", "中文翻译"},
            {"translationToggle", "隐 藏"},
        };
        for (const auto& [name, caption] : labels) {
            QCOMPARE(window.findChild<QLabel*>(QString::fromLatin1(name))->text(),
                     QString::fromUtf8(caption));
        }
        const QStringList buttons{"上一句", "下一句", "朗  读", "● 录音", "回  放", "另存为"};
        for (int i = 0; i < 6; ++i) {
            auto* button = window.findChild<FaceButton*>(StudyFixture::sentenceButtonName(i));
            QCOMPARE(button->caption(), buttons[i]);
        }
        QStringList menus;
        for (QAction* menu : window.menuBar()->actions()) {
            menus << menu->text();
            for (QAction* item : menu->menu()->actions()) {
                menus << item->text();
            }
        }
        QCOMPARE(menus, (QStringList{"文件(&F)",
                                     "继续上次学习",
                                     "导入课文…",
                                     "导入整册…",
                                     "生词本…",
                                     "导出…",
                                     "",
                                     "退出",
                                     "练习(&P)",
                                     "语速",
                                     "重复次数",
                                     "重复间隔",
                                     "",
                                     "隐藏原文",
                                     "",
                                     "跟读",
                                     "只跟读本句",
                                     "对比",
                                     "",
                                     "标为难句（星标）",
                                     "只练星标句",
                                     "听写出错时标为难句",
                                     "帮助(&H)",
                                     "在线帮助",
                                     "访问作者主页"}));
    }

    void importOpensOnTheOpenLessonAndLeavesItOpen()
    {
        StudyWindow& window = m_fixture->window();
        m_fixture->openLesson(2, 7);
        auto* title = window.findChild<QLabel*>(QStringLiteral("lessonTitle"));
        const QString titleBefore = title->text();
        QString shownLesson;
        QTimer::singleShot(0, &window, [&] {
            if (auto* dialog = qobject_cast<ImportDialog*>(QApplication::activeModalWidget())) {
                shownLesson =
                    dialog->findChild<QComboBox*>(QStringLiteral("bookBox"))->currentText() +
                    dialog->findChild<QSpinBox*>(QStringLiteral("lessonBox"))->text();
                dialog->reject();
            }
        });
        window.findChild<QAction*>(QStringLiteral("导入课文"))->trigger();
        QCOMPARE(shownLesson, QStringLiteral("第2册第 7 课"));
        QCOMPARE(title->text(), titleBefore);
    }

    void onlyALeftClickSwitchesTheTranslationAndNoticesNeverBlock()
    {
        StudyWindow& window = m_fixture->window();
        QLabel* toggle = window.findChild<QLabel*>(QStringLiteral("translationToggle"));
        for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
            QTest::mouseClick(toggle, button);
            QCOMPARE(toggle->text(), QStringLiteral("隐 藏"));
        }
        QTest::mouseClick(toggle, Qt::LeftButton);
        QCOMPARE(toggle->text(), QStringLiteral("显 示"));

        window.prompts().notify(QStringLiteral("通知"));
        auto* notice = window.findChild<QWidget*>(QStringLiteral("notice"));
        QVERIFY(notice && notice->isVisible());
        QCOMPARE(notice->windowModality(), Qt::NonModal);
        QVERIFY(!QApplication::activeModalWidget());
        notice->close();
    }

    void designSizeGivesTheDesignLayout()
    {
        resizeClient(designClientWidth, designClientHeight);
        // Documented exceptions: the white backs are laid out by the panels' formulas.
        const QHash<QString, Twips> exceptions{
            {QStringLiteral("lessonTextBack"), {3060, 1200, 9615, 4935}},
            {QStringLiteral("translationBack"), {3060, 7900, 9615, 720}},
            {QStringLiteral("sentenceBack"), {3060, 6280, 9615, 1155}},
            {QStringLiteral("banner"), {0, 0, 12840, 855}},
        };
        for (const char* name : {"banner",          "lessonTextFrame",
                                 "lessonTextBar",   "lessonTextBack",
                                 "lessonText",      "sentenceFrame",
                                 "sentenceBar",     "sentenceBack",
                                 "currentSentence", "translationFrame",
                                 "translationBar",  "translationBack",
                                 "translationLine", "translationToggleBack",
                                 "newWordsFrame",   "newWords",
                                 "creditLine",      "lessonTree",
                                 "lessonTreeFrame", "readLessonButton",
                                 "homeButton"}) {
            const QString key = QString::fromLatin1(name);
            const Twips expected = exceptions.value(key, designRect(key));
            QCOMPARE_GE(pixelsOf(key).width(), 1);
            QVERIFY2(near(pixelsOf(key), toPixels(expected)),
                     qPrintable(key + describe(pixelsOf(key), toPixels(expected))));
        }
    }

    void minimumSizeHoldsAndWideningMovesOnlyTheRightColumn()
    {
        StudyWindow& window = m_fixture->window();
        resizeClient(7000 - frameWidth, 7000 - frameHeight);
        QWidget* client = window.centralWidget();
        QCOMPARE_GE(toTwips(client->width()) + frameWidth, minimumOuterWidth);
        QCOMPARE_GE(toTwips(client->height()) + frameHeight, minimumOuterHeight);
        QVERIFY(
            near(pixelsOf(QStringLiteral("lessonText")), toPixels(Twips{3120, 1260, 4155, 2105})));
        QVERIFY(near(pixelsOf(QStringLiteral("newWords")), toPixels(Twips{120, 5580, 2835, 660})));
        QCOMPARE(pixelsOf(QStringLiteral("translationLine")).width(), toPixels(3195));
        // Where the sentence buttons leave no room, the status still shows whole.
        m_fixture->openLesson(1, 12);
        window.playCurrentSentence(2);
        window.player().controls().stop();
        auto* status = window.findChild<QLabel*>(QStringLiteral("sentenceStatus"));
        QCOMPARE(status->text(), QStringLiteral("第 3/%1 句").arg(window.sentences().count()));
        QVERIFY(status->isVisible());
        QCOMPARE_GE(status->width(), status->sizeHint().width());
        QVERIFY(status->parentWidget()->rect().contains(status->geometry()));

        const QStringList fixed{QStringLiteral("lessonTree"), QStringLiteral("lessonTreeFrame"),
                                QStringLiteral("readLessonButton"), QStringLiteral("homeButton"),
                                QStringLiteral("lessonTreeBar")};
        QHash<QString, QRect> before;
        for (const QString& name : fixed) {
            before.insert(name, pixelsOf(name));
        }
        const QRect lessonText = pixelsOf(QStringLiteral("lessonText"));
        const QRect toggle = pixelsOf(QStringLiteral("translationToggleBack"));
        resizeClient(designClientWidth + 3000, 7400 - frameHeight);
        for (const QString& name : fixed) {
            QCOMPARE(pixelsOf(name), before.value(name));
        }
        QCOMPARE(pixelsOf(QStringLiteral("lessonText")).left(), lessonText.left());
        QCOMPARE(pixelsOf(QStringLiteral("lessonText")).width(),
                 lessonText.width() + (designClientWidth + 3000 - 7395) / 15);
        QCOMPARE(pixelsOf(QStringLiteral("translationToggleBack")).left(),
                 toggle.left() + (designClientWidth + 3000 - 7395) / 15);
    }

private:
    void releaseOn(const QString& name, Qt::MouseButton button)
    {
        QWidget* widget = m_fixture->window().findChild<QWidget*>(name);
        QVERIFY2(widget, qPrintable(name));
        QTest::mouseClick(widget, button, {}, widget->rect().center());
    }
    void resizeClient(int widthTwips, int heightTwips)
    {
        StudyWindow& window = m_fixture->window();
        window.showNormal();
        window.resize(toPixels(widthTwips), toPixels(heightTwips) + window.menuBar()->height());
        QTRY_COMPARE(window.centralWidget()->width(),
                     qMax(toPixels(widthTwips), window.centralWidget()->minimumWidth()));
    }
    QRect pixelsOf(const QString& name)
    {
        QWidget* widget = m_fixture->window().centralWidget()->findChild<QWidget*>(name);
        return widget ? widget->geometry() : QRect();
    }
    // Within a pixel: the outer height cannot always be a whole number of pixels.
    static bool near(const QRect& a, const QRect& b)
    {
        return qAbs(a.left() - b.left()) <= 1 && qAbs(a.top() - b.top()) <= 1 &&
               qAbs(a.width() - b.width()) <= 1 && qAbs(a.height() - b.height()) <= 1;
    }
    static QString describe(const QRect& a, const QRect& b)
    {
        return QStringLiteral(": %1,%2 %3x%4 instead of %5,%6 %7x%8")
            .arg(a.left())
            .arg(a.top())
            .arg(a.width())
            .arg(a.height())
            .arg(b.left())
            .arg(b.top())
            .arg(b.width())
            .arg(b.height());
    }

    std::unique_ptr<StudyFixture> m_fixture;
    QList<QUrl> m_opened;
};

ORLUNE_TEST_MAIN(TestStudyWindowShell)

#include "tst_studywindow_shell.moc"
