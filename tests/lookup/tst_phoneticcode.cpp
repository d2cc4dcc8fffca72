#include "lookup/phoneticcode.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestPhoneticCode : public QObject
{
    Q_OBJECT

private slots:
    void toFontCode_data();
    void toFontCode();
    void toIpa_data();
    void toIpa();
};

void TestPhoneticCode::toFontCode_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("font");
    QTest::newRow("abandon") << "2'b9nd2n"
                             << "E5bAndEn";
    QTest::newRow("a") << "ei, 2"
                       << "ei/E";
    QTest::newRow("her") << "h2:, h2"
                         << "hE:/hE";
    // The stress mark's "5" and the separator's "/" are not converted again.
    QTest::newRow("every code in order") << "0123456789/', "
                                         << "CBEQWTFVNAZ5/";
    QTest::newRow("kept") << "(r)-:abcxyz"
                          << "(r)-:abcxyz";
    QTest::newRow("upper case letters are font codes already") << "CBE"
                                                               << "CBE";
    QTest::newRow("empty") << ""
                           << "";
}

void TestPhoneticCode::toFontCode()
{
    QFETCH(QString, file);
    QFETCH(QString, font);
    QCOMPARE(PhoneticCode::toFontCode(file), font);
}

void TestPhoneticCode::toIpa_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("ipa");
    QTest::newRow("abandon") << "2'b9nd2n" << u"əˈbændən"_s;
    QTest::newRow("her") << "h2:, h2" << u"hə:/hə"_s;
    QTest::newRow("every code") << "0123456789/'" << u"ɔɑəʌθðʃʒŋæɛˈ"_s;
    QTest::newRow("phrase blanks removed") << "ju:z'd t2" << u"ju:zˈdtə"_s;
    QTest::newRow("kept") << "(r)-:"
                          << "(r)-:";
    QTest::newRow("empty") << ""
                           << "";
}

void TestPhoneticCode::toIpa()
{
    QFETCH(QString, file);
    QFETCH(QString, ipa);
    QCOMPARE(PhoneticCode::toIpa(file), ipa);
}

QTEST_GUILESS_MAIN(TestPhoneticCode)
#include "tst_phoneticcode.moc"
