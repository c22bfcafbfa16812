// Runs the updater's test classes; the first argument may name one class to run alone.
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

QObject* newUpdateFeedTest();
QObject* newUpdaterControllerTest();
QObject* newUpdateMessageBoxDriverTest();

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Keep every settings file of the run in a private directory.
    QTemporaryDir settingsHome;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsHome.path());

    QString only;
    std::vector<char*> args(argv, argv + argc);
    if (args.size() > 1 && args[1][0] != '-') {
        only = QString::fromLocal8Bit(args[1]);
        args.erase(args.begin() + 1);
    }
    std::vector<std::unique_ptr<QObject>> tests;
    tests.emplace_back(newUpdateFeedTest());
    tests.emplace_back(newUpdaterControllerTest());
    tests.emplace_back(newUpdateMessageBoxDriverTest());
    int status = 0;
    int ran = 0;
    for (const auto& test : tests) {
        if (only.isEmpty() || only == QString::fromLatin1(test->metaObject()->className())) {
            status |= QTest::qExec(test.get(), static_cast<int>(args.size()), args.data());
            ++ran;
        }
    }
    if (ran == 0) {
        qCritical("No test class named %s", qPrintable(only));
        return 2;
    }
    return status;
}
