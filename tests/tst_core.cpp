#include "core/build_stamp.h"
#include "core/connection_string.h"
#include "core/data_module.h"
#include "support/test_database.h"

class TestCore : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestDb::setUp(); }
    void cleanupTestCase() { TestDb::tearDown(); }
    void connectionString_data();
    void connectionString();
};

void TestCore::connectionString_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("server");
    QTest::newRow("none") << QStringList() << "kemra_erp" << "localhost";
    QTest::newRow("name alone is ignored") << QStringList{"other"} << "kemra_erp" << "localhost";
    QTest::newRow("empty address") << QStringList{"other", ""} << "kemra_erp" << "localhost";
    QTest::newRow("both") << QStringList{"erp2", "/tmp/sock", "extra"} << "erp2" << "/tmp/sock";
}

void TestCore::connectionString()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, database);
    QFETCH(QString, server);
    const QString s = connectionStringForArguments(arguments);
    QVERIFY(s.startsWith("DRIVER={PostgreSQL UNICODE};DATABASE=" + database + ";SERVER=" + server + ";PORT=5432;UID=sys;PWD=mudvakp;SSLmode=allow;ReadOnly=0;"));
    QVERIFY(s.endsWith("D6=-101;OptionalErrors=0;XaOpt=1"));
}

QTEST_MAIN(TestCore)
#include "tst_core.moc"
