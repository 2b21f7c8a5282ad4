#include "listutil.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include <malloc.h>

#include <memory>

// The model behind the receiver and sender lists: what the list shows, row
// by row, however many rows and whatever characters they hold.
class TestListutil : public QObject
{
    Q_OBJECT

private slots:
    void rowsShowTheirText_data();
    void rowsShowTheirText();
    void appendReportsOneRowAtTheEnd();
    void clearEmptiesTheList();
    void manyRowsReadBackInOrder();
    void longRowKeptWhole();
    void rowsAreStoredCompactly();
};

namespace {

QStringList texts(const Listutil &model)
{
    QStringList out;
    const int role = model.roleNames().key("text", -1);
    for (int row = 0; row < model.rowCount(); ++row)
        out << model.data(model.index(row, 0), role).toString();
    return out;
}

qint64 heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks) + qint64(info.hblkhd);
}

QString sentence80(int n)
{
    QString text = QStringLiteral("!AIVDM,1,1,,A,%1,0*").arg(n, 8, 10, QLatin1Char('0'));
    text += QString(80 - text.size() - 2, QLatin1Char('w'));
    return text + QStringLiteral("5C");
}

} // namespace

void TestListutil::rowsShowTheirText_data()
{
    QTest::addColumn<QStringList>("appended");

    QTest::newRow("sentences") << QStringList{QStringLiteral("$HEHDT,90.0,T*16"),
                                              QStringLiteral("$SDDPT,20.0,0.0,50.0*52")};
    QTest::newRow("empty rows of status events")
        << QStringList{QString(), QStringLiteral("$WIMWV,045.0,T,012.0,N,A*27"), QString()};
    QTest::newRow("Latin-1 bytes of a datagram")
        << QStringList{QStringLiteral("$X,\u00b0\u00e4\u00ff\u0080*00")};
    QTest::newRow("characters beyond Latin-1 in a custom sentence")
        << QStringList{QStringLiteral("$GPTXT,\u20ac \u6d77 \U0001F6A2*00")};
    QTest::newRow("markup stays text") << QStringList{QStringLiteral("<b>x</b>")};
    QTest::newRow("inner line breaks kept")
        << QStringList{QStringLiteral("$GPHDT,1.0,T*00\r\n$GPROT,2.0,A*00")};
}

void TestListutil::rowsShowTheirText()
{
    QFETCH(QStringList, appended);
    Listutil model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (const QString &text : appended)
        model.append({{QStringLiteral("text"), text}});
    QCOMPARE(texts(model), appended);
    QCOMPARE(model.count(), appended.size());
    QCOMPARE(model.roleNames().values(), QList<QByteArray>{QByteArrayLiteral("text")});
}

void TestListutil::appendReportsOneRowAtTheEnd()
{
    Listutil model;
    model.append({{QStringLiteral("text"), QStringLiteral("$HEHDT,90.0,T*16")}});
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy counted(&model, &Listutil::countChanged);

    model.append({{QStringLiteral("text"), QStringLiteral("$SDDPT,20.0,0.0,50.0*52")}});
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 1);
    QCOMPARE(inserted.at(0).at(2).toInt(), 1);
    QCOMPARE(counted.count(), 1);
    QCOMPARE(model.property("count").toInt(), 2);

    // A row without a text, as ListModel takes it: an empty row.
    model.append({});
    QCOMPARE(texts(model).last(), QString());
}

void TestListutil::clearEmptiesTheList()
{
    Listutil model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (int i = 0; i < 500; ++i)
        model.append({{QStringLiteral("text"), sentence80(i)}});
    QSignalSpy counted(&model, &Listutil::countChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    model.clear();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(texts(model), QStringList());
    QCOMPARE(counted.count(), 1);
    QCOMPARE(reset.count(), 1);

    // Clearing an empty list changes nothing.
    model.clear();
    QCOMPARE(counted.count(), 1);

    model.append({{QStringLiteral("text"), QStringLiteral("$WIMWV,045.0,T,012.0,N,A*27")}});
    QCOMPARE(texts(model), QStringList{QStringLiteral("$WIMWV,045.0,T,012.0,N,A*27")});
}

void TestListutil::manyRowsReadBackInOrder()
{
    // Enough rows to fill several storage blocks, of varying lengths.
    Listutil model;
    QStringList appended;
    for (int i = 0; i < 20000; ++i) {
        const QString text = sentence80(i).left(16 + i % 65);
        appended << text;
        model.append({{QStringLiteral("text"), text}});
    }
    QCOMPARE(model.rowCount(), appended.size());
    QCOMPARE(texts(model), appended);
    QCOMPARE(model.text(-1), QString());
    QCOMPARE(model.text(appended.size()), QString());
}

void TestListutil::longRowKeptWhole()
{
    // Longer than one storage block: the largest datagram in UTF-8, twice.
    Listutil model;
    const QString huge = QString(65507, QChar(0xe9)) + QString(65507, QChar(0xfc));
    model.append({{QStringLiteral("text"), QStringLiteral("$before*00")}});
    model.append({{QStringLiteral("text"), huge}});
    model.append({{QStringLiteral("text"), QStringLiteral("$after*00")}});
    QCOMPARE(texts(model), (QStringList{QStringLiteral("$before*00"), huge, QStringLiteral("$after*00")}));
}

void TestListutil::rowsAreStoredCompactly()
{
    // The receiver list of a long run: an 80-character sentence takes its
    // 80 bytes and an 8-byte index entry, with little to spare.
    const int rows = 200000;
    QStringList sentences;
    for (int i = 0; i < 16; ++i)
        sentences << sentence80(i);
    auto model = std::make_unique<Listutil>();
    const qint64 before = heapInUse();
    for (int i = 0; i < rows; ++i)
        model->appendText(sentences.at(i % sentences.size()));
    const double perRow = double(heapInUse() - before) / rows;
    QVERIFY2(perRow < 100.0, qPrintable(QStringLiteral("%1 bytes per row").arg(perRow)));
    QCOMPARE(model->text(rows - 1), sentences.at((rows - 1) % sentences.size()));

    model->clear();
    QVERIFY2(heapInUse() - before < 64 * 1024, "clearing keeps the memory");
}

QTEST_GUILESS_MAIN(TestListutil)
#include "tst_listutil.moc"
