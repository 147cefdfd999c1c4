// The login throttle's schedule: an attempt counts when it arrives, so attempts that come
// all at once get the turns the same attempts would get one after another; a success
// starts the login afresh; other logins are never slowed.

#include "server/auth/memory_login_throttle.h"

#include <QTest>

namespace {

// Attempts are counted in microseconds here; turns are milliseconds apart.
constexpr qint64 kSlackMs = 50;

} // namespace

class TestLoginThrottle : public QObject {
    Q_OBJECT

private slots:
    void attemptsAtOnceWaitTheTurnsOfAttemptsInARow_data() {
        QTest::addColumn<int>("free");
        QTest::addColumn<int>("firstDelay");
        QTest::addColumn<int>("longestDelay");
        QTest::addColumn<QList<qint64>>("waits");
        QTest::newRow("five free, then doubling")
            << 5 << 1000 << 60000 << QList<qint64>{0, 0, 0, 0, 0, 1000, 3000, 7000, 15000};
        QTest::newRow("doubling up to the longest wait")
            << 1 << 1000 << 4000 << QList<qint64>{0, 1000, 3000, 7000, 11000, 15000};
        QTest::newRow("none free") << 0 << 500 << 500 << QList<qint64>{0, 500, 1000, 1500};
    }

    void attemptsAtOnceWaitTheTurnsOfAttemptsInARow() {
        QFETCH(int, free);
        QFETCH(int, firstDelay);
        QFETCH(int, longestDelay);
        QFETCH(QList<qint64>, waits);
        server::MemoryLoginThrottle throttle({free, firstDelay, longestDelay, 15 * 60 * 1000});
        for (qsizetype i = 0; i < waits.size(); ++i) {
            const qint64 wait = throttle.admit(QStringLiteral("demo"));
            QVERIFY2(qAbs(wait - waits.at(i)) <= kSlackMs,
                     qPrintable(QStringLiteral("attempt %1 waits %2 ms").arg(i + 1).arg(wait)));
        }
    }

    void aSuccessStartsAfreshAndOtherLoginsAreNeverSlowed() {
        server::MemoryLoginThrottle throttle({2, 1000, 60000, 15 * 60 * 1000});
        for (int i = 0; i < 4; ++i)
            throttle.admit(QStringLiteral("demo"));
        QVERIFY(throttle.admit(QStringLiteral("demo")) > 1000);
        for (int i = 0; i < 2; ++i)
            QCOMPARE(throttle.admit(QStringLiteral("campinas")), 0);
        // The right password among them: the next attempts are free again.
        throttle.succeeded(QStringLiteral("demo"));
        QCOMPARE(throttle.admit(QStringLiteral("demo")), 0);
        QCOMPARE(throttle.admit(QStringLiteral("demo")), 0);
        QVERIFY(throttle.admit(QStringLiteral("demo")) > 0);
    }

    void aFloodOfMadeUpLoginsDoesNotFreeAGuessedOne() {
        server::MemoryLoginThrottle throttle({1, 1000, 60000, 15 * 60 * 1000});
        throttle.admit(QStringLiteral("demo"));
        throttle.admit(QStringLiteral("demo"));
        // More made-up logins than the throttle remembers: the oldest quiet ones go first,
        // and the login being guessed has a turn waiting.
        for (int i = 0; i < 12000; ++i)
            throttle.admit(QStringLiteral("x%1").arg(i));
        QVERIFY(throttle.admit(QStringLiteral("demo")) > 0);
    }
};

QTEST_GUILESS_MAIN(TestLoginThrottle)
#include "tst_login_throttle.moc"
