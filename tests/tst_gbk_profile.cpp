#include "Fixtures.h"

#include "common/Gbk.h"
#include "common/ProfileIni.h"
#include "db/SessionUser.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestGbkProfile : public QObject
{
    Q_OBJECT
private slots:
    void characterCount_data();
    void characterCount();
    void encodingLimits();
    void leadingNumber_data();
    void leadingNumber();
    void missingFileGivesDefaults();
    void writeKeepsOtherLinesAndUsesCrLf();
    void writtenFileIsPrivate();
    void readsWindowsStyleFile();
};

void TestGbkProfile::characterCount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("characters");
    QTest::addColumn<int>("bytes");
    QTest::newRow("empty") << QString() << 0 << 0;
    QTest::newRow("ascii") << QStringLiteral("hello") << 5 << 5;
    QTest::newRow("chinese") << QStringLiteral("短信群发") << 4 << 8;
    QTest::newRow("crlf counts") << QStringLiteral("ab\r\ncd") << 6 << 6;
    QTest::newRow("mixed") << QStringLiteral("a短b") << 3 << 4;
    QTest::newRow("full-width punctuation") << QStringLiteral("，！") << 2 << 4;
}

void TestGbkProfile::characterCount()
{
    QFETCH(QString, text);
    QFETCH(int, characters);
    QFETCH(int, bytes);
    QCOMPARE(Gbk::characterCount(text), characters);
    QCOMPARE(Gbk::byteLength(text), bytes);
}

void TestGbkProfile::encodingLimits()
{
    QVERIFY(Gbk::canEncode(QStringLiteral("昵称：测试员")));
    QVERIFY(!Gbk::canEncode(QStringLiteral("smile 😀")));
    QVERIFY(Gbk::containsDoubleByte(QStringLiteral("ab用户")));
    QVERIFY(!Gbk::containsDoubleByte(QStringLiteral("user01!")));
    QCOMPARE(Gbk::decode(Gbk::encode(QStringLiteral("管理员"))), QStringLiteral("管理员"));
}

void TestGbkProfile::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("value");
    QTest::newRow("plain") << QStringLiteral("100") << qint64(100);
    QTest::newRow("negative") << QStringLiteral("-30") << qint64(-30);
    QTest::newRow("trailing text") << QStringLiteral("12abc") << qint64(12);
    QTest::newRow("leading blank") << QStringLiteral("  7") << qint64(7);
    QTest::newRow("no digits") << QStringLiteral("abc") << qint64(0);
    QTest::newRow("empty") << QString() << qint64(0);
    QTest::newRow("big") << QStringLiteral("5000000000") << qint64(5000000000);
}

void TestGbkProfile::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(qint64, value);
    QCOMPARE(::leadingNumber(text), value);
}

void TestGbkProfile::missingFileGivesDefaults()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("KVR.ini"));
    QCOMPARE(ProfileIni::readInt(path, QStringLiteral("ID"), QStringLiteral("Check"), 0), 0);
    QCOMPARE(
        ProfileIni::readString(path, QStringLiteral("ID"), QStringLiteral("User"), QStringLiteral("NULL")),
        QStringLiteral("NULL"));
}

void TestGbkProfile::writeKeepsOtherLinesAndUsesCrLf()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("KVR.ini"));
    QVERIFY(Fixtures::writeFile(path, "[Other]\r\nKeep=yes\r\n[ID]\r\nUser=old\r\n"));

    QVERIFY(ProfileIni::writeString(path, QStringLiteral("ID"), QStringLiteral("User"),
                                    QStringLiteral("用户 01")));
    QVERIFY(
        ProfileIni::writeString(path, QStringLiteral("ID"), QStringLiteral("Pass"), QStringLiteral("p=w")));
    QVERIFY(
        ProfileIni::writeString(path, QStringLiteral("ID"), QStringLiteral("Check"), QStringLiteral("1")));

    QCOMPARE(ProfileIni::readString(path, QStringLiteral("ID"), QStringLiteral("User"), {}),
             QStringLiteral("用户 01"));
    QCOMPARE(ProfileIni::readString(path, QStringLiteral("id"), QStringLiteral("pass"), {}),
             QStringLiteral("p=w"));
    QCOMPARE(ProfileIni::readInt(path, QStringLiteral("ID"), QStringLiteral("Check"), 0), 1);
    QCOMPARE(ProfileIni::readString(path, QStringLiteral("Other"), QStringLiteral("Keep"), {}),
             QStringLiteral("yes"));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes, QByteArray("[Other]\r\nKeep=yes\r\n[ID]\r\nUser=") +
                        Gbk::encode(QStringLiteral("用户 01")) + QByteArray("\r\nPass=p=w\r\nCheck=1\r\n"));
}

void TestGbkProfile::writtenFileIsPrivate()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("KVR.ini"));
    QFile seed(path);
    QVERIFY(seed.open(QIODevice::WriteOnly));
    seed.close();
    QVERIFY(seed.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther |
                                QFileDevice::ReadGroup));
    QVERIFY(ProfileIni::writeString(path, QStringLiteral("ID"), QStringLiteral("Pass"),
                                    QStringLiteral("secret")));
    QCOMPARE(QFile::permissions(path) &
                 (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOther),
             QFileDevice::Permissions());
}

void TestGbkProfile::readsWindowsStyleFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("KVR.ini"));
    QVERIFY(Fixtures::writeFile(path, "[ID]\r\nCheck = 1 \r\nUser=\"abc\"\r\nPass=\r\n"));
    QCOMPARE(ProfileIni::readInt(path, QStringLiteral("ID"), QStringLiteral("Check"), 0), 1);
    QCOMPARE(ProfileIni::readString(path, QStringLiteral("ID"), QStringLiteral("User"), {}),
             QStringLiteral("abc"));
    QCOMPARE(
        ProfileIni::readString(path, QStringLiteral("ID"), QStringLiteral("Pass"), QStringLiteral("NULL")),
        QString());
}

QTEST_GUILESS_MAIN(TestGbkProfile)
#include "tst_gbk_profile.moc"
