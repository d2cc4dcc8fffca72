#include "dictation/dictationwindow.h"
#include "dictation/dictationwindowlayout.h"
#include "dictationfixture.h"
#include "resources/carriedfiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

// The marking of the learner's dictation on book 1 lesson 1, whose first sentence is
// "Good morning, Dad.".
class TestDictationWindowMarking : public QObject
{
    Q_OBJECT
private slots:
    void shownWithTheAnswerAndGoneWithTheSentence_data()
    {
        QTest::addColumn<int>("button"); // 0: another lesson chosen in the tree
        QTest::newRow("next sentence") << 1;
        QTest::newRow("previous sentence") << 6;
        QTest::newRow("another lesson") << 0;
    }
    void shownWithTheAnswerAndGoneWithTheSentence()
    {
        QFETCH(int, button);
        DictationFixture fixture;
        QVERIFY(fixture.isValid());
        fixture.openLesson(1, 1);
        DictationWindow& window = fixture.window();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* box = window.findChild<QTextEdit*>(QStringLiteral("answerMarking"));
        QVERIFY(box && !box->isVisible());
        // It lies where nothing described is hidden.
        for (const char* name :
             {"banner", "lessonTreeFrame", "inputFrame", "previousButton", "quitButton"}) {
            const auto* control = window.findChild<QWidget*>(QLatin1String(name));
            QVERIFY2(control && !control->geometry().intersects(box->geometry()), name);
        }
        QVERIFY(window.rect().contains(box->geometry()));

        QTest::keyClicks(fixture.input(), QStringLiteral("good  mornin dad dad"));
        fixture.clickButton(3);
        QCOMPARE(fixture.answer()->toPlainText(), QStringLiteral("Good morning, Dad."));
        QVERIFY(box->isVisible());
        const QString text = box->toPlainText();
        QVERIFY2(text.startsWith(QStringLiteral("2.5/3 个单词正确\ngood mornin(morning) dad")),
                 qPrintable(text));
        QStringList struck;
        for (auto it = box->document()->begin().begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().fontStrikeOut()) {
                struck.append(it.fragment().text());
            }
        }
        QCOMPARE(struck, QStringList{QStringLiteral("dad")});
        QVERIFY(fixture.input()->hasFocus());

        if (button == 0) {
            fixture.click(fixture.lessonNode(1, 2));
        } else {
            fixture.clickButton(button);
        }
        QVERIFY(!box->isVisible());
        QVERIFY(box->toPlainText().isEmpty());
    }

    // The longest sentence of the course, every word wrong: the marking, its score and the
    // legend stand whole in the box, which hides no control.
    void aLongMarkingIsWhollyVisible()
    {
        DictationFixture fixture;
        QVERIFY(fixture.isValid());
        QVERIFY(QFile::copy(
            CarriedFiles::resourcePath(QString::fromLatin1(CarriedFiles::dictionaryName)),
            QDir(fixture.tempPath()).filePath(QString::fromLatin1(CarriedFiles::dictionaryName))));
        int book = 0;
        int lesson = 0;
        int index = 0;
        QString longest;
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("longest"));
            db.setDatabaseName(fixture.databasePath());
            QVERIFY(db.open());
            QSqlQuery rows(QStringLiteral("SELECT \"册别\", \"课别\", \"句子\" FROM \"句库\" "
                                          "ORDER BY rowid"),
                           db);
            QString place;
            int i = 0;
            while (rows.next()) {
                const QString here = rows.value(0).toString() + rows.value(1).toString();
                i = here == place ? i + 1 : 0;
                place = here;
                if (rows.value(2).toString().size() > longest.size()) {
                    longest = rows.value(2).toString();
                    book = rows.value(0).toInt();
                    lesson = rows.value(1).toString().mid(7).toInt();
                    index = i;
                }
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("longest"));
        qInfo("longest sentence: book %d lesson %d #%d, %d characters", book, lesson, index,
              int(longest.size()));
        fixture.openLesson(book, lesson);
        DictationWindow& window = fixture.window();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (int i = 0; i < index; ++i) {
            fixture.clickButton(1);
        }
        QTest::keyClicks(fixture.input(), QStringLiteral("x ") + longest.toUpper() + u'x');
        fixture.clickButton(3);
        QCOMPARE(fixture.answer()->toPlainText(), longest);
        auto* box = window.findChild<QTextEdit*>(QStringLiteral("answerMarking"));
        QVERIFY(box->isVisible());
        QVERIFY2(box->document()->size().height() <= box->viewport()->height() + 1,
                 qPrintable(QStringLiteral("%1 > %2")
                                .arg(box->document()->size().height())
                                .arg(box->viewport()->height())));
        QVERIFY(!box->verticalScrollBar()->isVisible());
        QVERIFY(box->toPlainText().contains(QStringLiteral("个单词正确")));
        QVERIFY(box->toPlainText().contains(QStringLiteral("橙：")));
        for (const char* name : {"banner", "lessonTreeFrame", "lessonTree", "inputFrame",
                                 "previousButton", "quitButton"}) {
            const auto* control = window.findChild<QWidget*>(QLatin1String(name));
            QVERIFY2(control && !control->geometry().intersects(box->geometry()), name);
        }
        QVERIFY(window.rect().contains(box->geometry()));
        // The next sentence gives the window its own size back.
        fixture.clickButton(1);
        QCOMPARE(window.size(),
                 QSize(DictationWindowLayout::toPixels(DictationWindowLayout::clientWidth),
                       DictationWindowLayout::toPixels(DictationWindowLayout::clientHeight)));
    }

    // "mourning" for "morning" is another real word: wrong, not a typo.
    void aSlipThatMakesARealWordIsWrong()
    {
        DictationFixture fixture;
        QVERIFY(fixture.isValid());
        QVERIFY(QFile::copy(
            CarriedFiles::resourcePath(QString::fromLatin1(CarriedFiles::dictionaryName)),
            QDir(fixture.tempPath()).filePath(QString::fromLatin1(CarriedFiles::dictionaryName))));
        fixture.openLesson(1, 1);
        QTest::keyClicks(fixture.input(), QStringLiteral("Good mourning dad"));
        fixture.clickButton(3);
        auto* box = fixture.window().findChild<QTextEdit*>(QStringLiteral("answerMarking"));
        QVERIFY2(box->toPlainText().startsWith(QStringLiteral("2/3 个单词正确")),
                 qPrintable(box->toPlainText()));
    }
};

DICTATION_TEST_MAIN(TestDictationWindowMarking)
#include "tst_dictationwindow_marking.moc"
