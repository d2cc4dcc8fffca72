#include "lessons/storeconnection.h"

#include <QTest>

// Why the store failed, told in Chinese however SQLite and Qt report it.
class TestStoreConnection : public QObject
{
    Q_OBJECT
private slots:
    void reasonsAreChinese_data()
    {
        QTest::addColumn<QSqlError>("error");
        QTest::addColumn<QString>("reason");
        QTest::newRow("full, with its code")
            << QSqlError(QStringLiteral("Unable to execute statement"),
                         QStringLiteral("database or disk is full"), QSqlError::StatementError,
                         QStringLiteral("13"))
            << QStringLiteral("磁盘已满");
        // Qt's failed COMMIT carries SQLite's message and no code.
        QTest::newRow("full at the commit")
            << QSqlError(QStringLiteral("Unable to commit transaction"),
                         QStringLiteral("database or disk is full"), QSqlError::TransactionError)
            << QStringLiteral("磁盘已满");
        QTest::newRow("locked at the commit")
            << QSqlError(QStringLiteral("Unable to commit transaction"),
                         QStringLiteral("database is locked"), QSqlError::TransactionError)
            << QStringLiteral("文件正被另一个程序占用，请稍后再试");
        QTest::newRow("read-only, extended code")
            << QSqlError(QString(), QStringLiteral("attempt to write a readonly database"),
                         QSqlError::StatementError, QStringLiteral("776"))
            << QStringLiteral("文件是只读的，不能写入");
        QTest::newRow("I/O error at the commit")
            << QSqlError(QStringLiteral("Unable to commit transaction"),
                         QStringLiteral("disk I/O error"), QSqlError::TransactionError)
            << QStringLiteral("读写出错，磁盘可能已满或已被拔出");
    }

    void reasonsAreChinese()
    {
        QFETCH(QSqlError, error);
        QFETCH(QString, reason);
        QCOMPARE(StoreConnection::reasonText(error), reason);
    }
};

QTEST_GUILESS_MAIN(TestStoreConnection)
#include "tst_storeconnection.moc"
