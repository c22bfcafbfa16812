// The message boxes map their buttons to the right choices and say what happened.
#include "services/UpdateMessageBoxDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>

#include <optional>

using namespace quillbar;

namespace {

// The one message box on screen, if there is exactly one.
QMessageBox* shownBox() {
    QMessageBox* found = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
            if (found != nullptr) {
                return nullptr;
            }
            found = box;
        }
    }
    return found;
}

QAbstractButton* buttonTitled(QMessageBox* box, const QString& text) {
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == text) {
            return button;
        }
    }
    return nullptr;
}

AppcastItem sampleItem() {
    AppcastItem item;
    item.version = QStringLiteral("1.10");
    item.shortVersion = QStringLiteral("1.10 “Heron”");
    item.releaseNotes = QStringLiteral("<p>Faster <b>switching</b></p>");
    return item;
}

} // namespace

class UpdateMessageBoxDriverTest : public QObject {
    Q_OBJECT

private slots:
    void buttonsMapToChoices_data();
    void buttonsMapToChoices();
    void escapeMeansRemindMeLater();
    void upToDateAndErrorBoxesSayWhy();
};

void UpdateMessageBoxDriverTest::buttonsMapToChoices_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("choice");
    QTest::newRow("download") << "Download" << int(UpdateChoice::Download);
    QTest::newRow("skip") << "Skip This Version" << int(UpdateChoice::SkipThisVersion);
    QTest::newRow("later") << "Remind Me Later" << int(UpdateChoice::RemindMeLater);
}

void UpdateMessageBoxDriverTest::buttonsMapToChoices() {
    QFETCH(QString, button);
    QFETCH(int, choice);
    UpdateMessageBoxDriver driver;
    std::optional<UpdateChoice> chosen;
    int replies = 0;
    driver.showUpdateFound(sampleItem(), QStringLiteral("1.9"), [&](UpdateChoice c) {
        chosen = c;
        ++replies;
    });
    QMessageBox* box = shownBox();
    QVERIFY(box);
    QVERIFY(box->informativeText().contains(QStringLiteral("1.10 “Heron”")));
    QVERIFY(box->informativeText().contains(QStringLiteral("1.9")));
    QCOMPARE(box->detailedText(), QStringLiteral("Faster switching"));
    QAbstractButton* target = buttonTitled(box, button);
    QVERIFY(target);
    target->click();
    QCOMPARE(replies, 1);
    QCOMPARE(int(*chosen), choice);
    QTRY_VERIFY(shownBox() == nullptr); // closed and deleted
}

void UpdateMessageBoxDriverTest::escapeMeansRemindMeLater() {
    UpdateMessageBoxDriver driver;
    std::optional<UpdateChoice> chosen;
    driver.showUpdateFound(sampleItem(), QStringLiteral("1.9"),
                           [&](UpdateChoice c) { chosen = c; });
    QMessageBox* box = shownBox();
    QVERIFY(box);
    QTest::keyClick(box, Qt::Key_Escape);
    QCOMPARE(chosen, std::optional(UpdateChoice::RemindMeLater));
}

void UpdateMessageBoxDriverTest::upToDateAndErrorBoxesSayWhy() {
    UpdateMessageBoxDriver driver;
    driver.showUpToDate(QStringLiteral("0.1.0"));
    QMessageBox* box = shownBox();
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("You're up to date"));
    QVERIFY(box->informativeText().contains(QStringLiteral("0.1.0")));
    box->close();
    QTRY_VERIFY(shownBox() == nullptr);

    driver.showError({UpdateCheckError::Kind::Timeout, QStringLiteral("The server slept.")});
    box = shownBox();
    QVERIFY(box);
    QCOMPARE(box->informativeText(), QStringLiteral("The server slept."));
    box->close();
    QTRY_VERIFY(shownBox() == nullptr);
}

QObject* newUpdateMessageBoxDriverTest() {
    return new UpdateMessageBoxDriverTest;
}

#include "UpdateMessageBoxDriverTest.moc"
