#include <QDesktopServices>
#include <QFont>
#include <QQmlComponent>
#include <QStandardPaths>
#include <QUrl>

#include "mainwindowharness.h"

// Receives what the About window hands to the platform's URL handler.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened << url; }
};

// The maker's logo and the About window, on the real main window.
class TestAboutWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void logoDefaults();
    void logoGeometry_data();
    void logoGeometry();
    void logoFollowsResize();
    void logosOnThePages();

    void aboutWindowFrame();
    void aboutWindowTexts();
    void linksGoToThePlatform_data();
    void linksGoToThePlatform();
    void termsScrollAndCannotBeEdited();
    void okClosesWithoutSaving();

private:
    QQuickItem *createLogo(qreal width, qreal height);
    QQuickWindow *openAbout();

    std::unique_ptr<MainWindowHarness> m_main;
};

void TestAboutWindow::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestAboutWindow::init()
{
    m_main = std::make_unique<MainWindowHarness>(MainWindowHarness::Controller::None);
    QVERIFY(m_main->load());
}

void TestAboutWindow::cleanup()
{
    m_main.reset();
}

QQuickItem *TestAboutWindow::createLogo(qreal width, qreal height)
{
    QQmlComponent component(m_main->engine());
    component.setData(QByteArrayLiteral("import QtQuick\nimport Quaycast\nLogoUtil {}"),
                      QUrl(QStringLiteral("qrc:/qt/qml/Quaycast/TestLogo.qml")));
    auto *logo = qobject_cast<QQuickItem *>(component.create());
    if (!logo) {
        qWarning() << component.errors();
        return nullptr;
    }
    logo->setParentItem(m_main->window()->contentItem());
    logo->setSize(QSizeF(width, height));
    return logo;
}

QQuickWindow *TestAboutWindow::openAbout()
{
    if (!MainWindowHarness::click(m_main->item("aboutBtn")))
        return nullptr;
    QQuickWindow *about = m_main->subWindow("aboutWin");
    if (!about || !QTest::qWaitForWindowExposed(about))
        return nullptr;
    return about;
}

void TestAboutWindow::logoDefaults()
{
    std::unique_ptr<QQuickItem> logo(createLogo(200, 300));
    QVERIFY(logo);
    QCOMPARE(logo->property("color").value<QColor>(), QColor("#d7b680"));
    QCOMPARE(logo->property("strokeColor").value<QColor>(), QColor("#2b1b0f"));
    QCOMPARE(logo->property("strokeWidth").toInt(), 2);
    QCOMPARE(logo->property("fontFamily").toString(), QStringLiteral("Arial"));
    QCOMPARE(logo->property("ratio").toReal(), 0.35);

    QString left;
    QString right;
    for (int i = 0; i < 6; ++i) {
        left += MainWindowHarness::findItem(logo.get(), QStringLiteral("leftLetter%1").arg(i))->property("text").toString();
        right += MainWindowHarness::findItem(logo.get(), QStringLiteral("rightLetter%1").arg(i))->property("text").toString();
    }
    QCOMPARE(left, QStringLiteral("VESTRA"));
    QCOMPARE(right, QStringLiteral("NAUTIC"));
}

void TestAboutWindow::logoGeometry_data()
{
    QTest::addColumn<qreal>("areaWidth");
    QTest::addColumn<qreal>("areaHeight");
    QTest::addColumn<qreal>("cartWidth");
    QTest::addColumn<qreal>("cartHeight");
    QTest::addColumn<qreal>("leftX");
    QTest::addColumn<qreal>("rightX");
    QTest::addColumn<qreal>("inset");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<qreal>("outerRadius");

    QTest::newRow("200 x 300: width from the area") << 200.0 << 300.0 << 85.0 << 280.0 << 10.0 << 105.0 << 6.0 << 32 << 42.5;
    QTest::newRow("400 x 200: width from the ratio, ends fully rounded")
        << 400.0 << 200.0 << 63.0 << 180.0 << 132.0 << 205.0 << 6.0 << 20 << 31.5;
    QTest::newRow("301 x 251: positions not rounded")
        << 301.0 << 251.0 << 80.85 << 231.0 << 64.65 << 155.5 << 6.0 << 26 << 40.425;
    QTest::newRow("600 x 600: inset grows with the width")
        << 600.0 << 600.0 << 203.0 << 580.0 << 92.0 << 305.0 << 12.18 << 66 << 101.5;
    QTest::newRow("only 50 high: minimum height") << 200.0 << 50.0 << 30.0 << 80.0 << 65.0 << 105.0 << 6.0 << 8 << 15.0;
    QTest::newRow("very narrow: minimum width from the left margin")
        << 40.0 << 300.0 << 30.0 << 280.0 << 10.0 << 50.0 << 6.0 << 32 << 15.0;
    QTest::newRow("tiny: both minimums") << 20.0 << 20.0 << 30.0 << 80.0 << 10.0 << 50.0 << 6.0 << 8 << 15.0;
}

void TestAboutWindow::logoGeometry()
{
    QFETCH(qreal, areaWidth);
    QFETCH(qreal, areaHeight);
    QFETCH(qreal, cartWidth);
    QFETCH(qreal, cartHeight);
    QFETCH(qreal, leftX);
    QFETCH(qreal, rightX);
    QFETCH(qreal, inset);
    QFETCH(int, pixelSize);
    QFETCH(qreal, outerRadius);

    std::unique_ptr<QQuickItem> logo(createLogo(areaWidth, areaHeight));
    QVERIFY(logo);
    QVERIFY(!logo->clip());

    const qreal innerWidth = cartWidth - 2 * inset;
    const qreal innerHeight = cartHeight - 2 * inset;
    const QList<QPair<QString, qreal>> sides{{QStringLiteral("left"), leftX}, {QStringLiteral("right"), rightX}};
    for (const auto &[side, x] : sides) {
        auto *cart = MainWindowHarness::findItem(logo.get(), side + QStringLiteral("Cartouche"));
        QVERIFY2(cart, qPrintable(side));
        QVERIFY(!cart->clip());
        QCOMPARE(cart->x(), x);
        QCOMPARE(cart->y(), 10.0);
        QCOMPARE(cart->width(), cartWidth);
        QCOMPARE(cart->height(), cartHeight);

        auto *outer = MainWindowHarness::findItem(cart, side + QStringLiteral("OuterFrame"));
        QCOMPARE(outer->size(), QSizeF(cartWidth, cartHeight));
        QCOMPARE(outer->property("radius").toReal(), outerRadius);
        QCOMPARE(outer->property("color").value<QColor>().alpha(), 0);
        QCOMPARE(outer->property("border").value<QObject *>()->property("width").toReal(), 2.0);

        auto *inner = MainWindowHarness::findItem(cart, side + QStringLiteral("InnerFrame"));
        QCOMPARE(inner->position(), QPointF(inset, inset));
        QCOMPARE(inner->width(), innerWidth);
        QCOMPARE(inner->height(), innerHeight);
        QCOMPARE(inner->property("radius").toReal(), qMin(innerWidth / 2, innerHeight / 4));

        for (int i = 0; i < 6; ++i) {
            auto *letter = MainWindowHarness::findItem(cart, side + QStringLiteral("Letter%1").arg(i));
            QVERIFY(letter);
            const QFont font = letter->property("font").value<QFont>();
            QCOMPARE(font.pixelSize(), pixelSize);
            QVERIFY(font.bold());
            QCOMPARE(font.family(), QStringLiteral("Arial"));
            QCOMPARE(letter->property("color").value<QColor>(), QColor("#2b1b0f"));
            QCOMPARE(letter->x(), inset);
            QCOMPARE(letter->width(), innerWidth);
            QCOMPARE(letter->y() + letter->height() / 2, inset + innerHeight * (i + 1) / 7);
        }

        auto *bar = MainWindowHarness::findItem(cart, side + QStringLiteral("BaseBar"));
        QCOMPARE(bar->width(), 0.8 * cartWidth);
        QCOMPARE(bar->height(), 2.0);
        QCOMPARE(bar->x() + bar->width() / 2, cartWidth / 2);
        QCOMPARE(bar->y() + bar->height(), cartHeight);
        QCOMPARE(bar->property("color").value<QColor>(), QColor("#2b1b0f"));
    }
}

void TestAboutWindow::logoFollowsResize()
{
    std::unique_ptr<QQuickItem> logo(createLogo(200, 300));
    QVERIFY(logo);
    auto *right = MainWindowHarness::findItem(logo.get(), QStringLiteral("rightCartouche"));
    QCOMPARE(right->x(), 105.0);
    logo->setSize(QSizeF(400, 200));
    QCOMPARE(right->x(), 205.0);
    QCOMPARE(right->height(), 180.0);
}

void TestAboutWindow::logosOnThePages()
{
    for (const char *name : {"recvLogo", "sendLogo"}) {
        if (qstrcmp(name, "sendLogo") == 0)
            QVERIFY(MainWindowHarness::click(m_main->item("sendTabBtn")));
        QQuickItem *logo = m_main->item(name);
        QVERIFY2(logo, name);
        QCOMPARE(logo->property("color").value<QColor>(), QColor("whitesmoke"));
        QVERIFY(logo->width() > 0);
        // It fills its group box: the box's content area is the logo's parent.
        QCOMPARE(logo->size(), logo->parentItem()->size());
    }
}

void TestAboutWindow::aboutWindowFrame()
{
    QQuickWindow *about = m_main->subWindow("aboutWin");
    QVERIFY(about);
    QVERIFY(!about->isVisible());
    QCOMPARE(about->title(), QStringLiteral("About Application"));
    QCOMPARE(about->size(), QSize(700, 500));
    QCOMPARE(about->minimumSize(), QSize(700, 500));
    QCOMPARE(about->maximumSize(), QSize(700, 500));
    QCOMPARE(about->modality(), Qt::ApplicationModal);
    QVERIFY(about->flags().testFlag(Qt::Dialog));

    QCOMPARE(openAbout(), about);
    QVERIFY(about->isVisible());
}

void TestAboutWindow::aboutWindowTexts()
{
    QQuickWindow *about = openAbout();
    QVERIFY(about);

    QQuickItem *title = m_main->item("aboutTitle", about);
    QCOMPARE(title->property("text").toString(), QStringLiteral("Quaycast Tool (QCX)"));
    QCOMPARE(title->property("font").value<QFont>().pixelSize(), 18);
    QVERIFY(title->property("font").value<QFont>().bold());
    QCOMPARE(title->property("padding").toReal(), 5.0);

    QCOMPARE(m_main->item("versionText", about)->property("text").toString(), QStringLiteral("Version: 1.0"));
    QCOMPARE(m_main->item("makerText", about)->property("text").toString(),
             QStringLiteral("Developed by: VESTRA NAUTIC"));
    QVERIFY(m_main->item("emailText", about)->property("text").toString().startsWith(QStringLiteral("Email: ")));
    QVERIFY(m_main->item("websiteText", about)->property("text").toString().startsWith(QStringLiteral("Website: ")));

    // Information and logo side by side, equally wide.
    QQuickItem *infoBox = m_main->item("infoBox", about);
    QQuickItem *logoBox = m_main->item("logoBox", about);
    QCOMPARE(infoBox->width(), (700 - 2 * 10 - 5) / 2.0);
    QCOMPARE(logoBox->width(), infoBox->width());
    QVERIFY(qAbs(logoBox->mapToScene(QPointF(0, 0)).x() - (10 + infoBox->width() + 5)) <= 1.0);
    QQuickItem *logo = m_main->item("aboutLogo", about);
    QCOMPARE(logo->property("color").value<QColor>(), about->color());
    QCOMPARE(logo->size(), logo->parentItem()->size());

    QCOMPARE(m_main->item("termsBox", about)->property("title").toString(), QStringLiteral("Terms & Conditions"));
    QQuickItem *terms = m_main->item("termsText", about);
    QVERIFY(terms->property("readOnly").toBool());
    QCOMPARE(terms->property("padding").toReal(), 12.0);
    QString shown;
    QMetaObject::invokeMethod(terms, "getText", Q_RETURN_ARG(QString, shown), Q_ARG(int, 0),
                              Q_ARG(int, terms->property("length").toInt()));
    QVERIFY2(shown.startsWith(QStringLiteral("MIT License")), qPrintable(shown.left(40)));
    QVERIFY(shown.contains(QStringLiteral("Permission is hereby granted, free of charge")));
    QVERIFY(shown.contains(QStringLiteral("THE SOFTWARE IS PROVIDED \"AS IS\"")));
    QVERIFY(!shown.contains(QLatin1Char('<')));

    QVERIFY(!m_main->item("rightsText", about)->property("text").toString().isEmpty());
}

void TestAboutWindow::linksGoToThePlatform_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QUrl>("target");
    QTest::newRow("e-mail") << QStringLiteral("emailText") << QStringLiteral("mailto")
                            << QUrl(QStringLiteral("mailto:contact@example.com"));
    QTest::newRow("website") << QStringLiteral("websiteText") << QStringLiteral("https")
                             << QUrl(QStringLiteral("https://www.example.com/"));
}

void TestAboutWindow::linksGoToThePlatform()
{
    QFETCH(QString, line);
    QFETCH(QString, scheme);
    QFETCH(QUrl, target);

    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(scheme, &catcher, "open");
    QQuickWindow *about = openAbout();
    QVERIFY(about);
    QQuickItem *text = m_main->item(line.toLatin1().constData(), about);
    QVERIFY(text);

    // The link is the end of the line; a click there activates it.
    const QPointF onLink = text->mapToScene(QPointF(text->implicitWidth() - 4, text->height() / 2));
    QTest::mouseClick(about, Qt::LeftButton, Qt::NoModifier, onLink.toPoint());
    QDesktopServices::unsetUrlHandler(scheme);
    QCOMPARE(catcher.opened, QList<QUrl>{target});

    // The plain part of the line opens nothing.
    catcher.opened.clear();
    QDesktopServices::setUrlHandler(scheme, &catcher, "open");
    QTest::mouseClick(about, Qt::LeftButton, Qt::NoModifier, text->mapToScene(QPointF(4, text->height() / 2)).toPoint());
    QDesktopServices::unsetUrlHandler(scheme);
    QVERIFY(catcher.opened.isEmpty());
}

void TestAboutWindow::termsScrollAndCannotBeEdited()
{
    QQuickWindow *about = openAbout();
    QVERIFY(about);
    QQuickItem *terms = m_main->item("termsText", about);
    const QString before = terms->property("text").toString();

    QVERIFY(MainWindowHarness::click(terms));
    MainWindowHarness::keyClicks(about, QStringLiteral("xyz"));
    QTest::keyClick(about, Qt::Key_Backspace);
    QCOMPARE(terms->property("text").toString(), before);

    auto *flick = m_main->item("termsScroll", about)->property("contentItem").value<QQuickItem *>();
    QVERIFY(flick);
    QVERIFY2(flick->property("contentHeight").toReal() > flick->height(), "the terms should need scrolling");
    QQuickItem *title = m_main->item("aboutTitle", about);
    const QPointF titlePos = title->mapToScene(QPointF(0, 0));
    const QPointF okPos = m_main->item("okButton", about)->mapToScene(QPointF(0, 0));

    const QPoint inTerms = flick->mapToScene(QPointF(flick->width() / 2, flick->height() / 2)).toPoint();
    for (int i = 0; i < 5; ++i) {
        QWheelEvent wheel(inTerms, about->mapToGlobal(inTerms), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QGuiApplication::sendEvent(about, &wheel);
    }
    QTRY_VERIFY(flick->property("contentY").toReal() > 0);
    QCOMPARE(title->mapToScene(QPointF(0, 0)), titlePos);
    QCOMPARE(m_main->item("okButton", about)->mapToScene(QPointF(0, 0)), okPos);
}

void TestAboutWindow::okClosesWithoutSaving()
{
    QSignalSpy save(m_main->view(), &Viewutil::sendSaveAppSettings);
    QQuickWindow *about = openAbout();
    QVERIFY(about);
    QQuickItem *ok = m_main->item("okButton", about);
    QCOMPARE(ok->property("text").toString(), QStringLiteral("OK"));
    QCOMPARE(ok->size(), QSizeF(100, 32));
    QVERIFY(MainWindowHarness::click(ok));
    QTRY_VERIFY(!about->isVisible());
    QCOMPARE(save.count(), 0);
    QVERIFY(m_main->window()->isVisible());
}

QTEST_MAIN(TestAboutWindow)
#include "tst_aboutwindow.moc"
