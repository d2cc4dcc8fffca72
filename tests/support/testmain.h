#pragma once

#include <QCoreApplication>
#include <QTest>
#include <cstdio>
#include <cstdlib>

// Test mains for suites that open sound devices. Qt Multimedia tears its PulseAudio connection
// down in a static destructor after main, racing that connection's own thread, and now and
// then the process aborts there after every test has passed. These end the process as the
// programs do: pending deletes run, output is flushed, and no static destructor runs.
#define ORLUNE_TEST_FINISH(result)                                                                 \
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);                           \
    std::fflush(nullptr);                                                                          \
    std::_Exit(result)

#define ORLUNE_TEST_MAIN_WITH(Application, TestObject)                                             \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        Application app(argc, argv);                                                               \
        int result = 0;                                                                            \
        {                                                                                          \
            TestObject test;                                                                       \
            QTEST_SET_MAIN_SOURCE_PATH                                                             \
            result = QTest::qExec(&test, argc, argv);                                              \
        }                                                                                          \
        ORLUNE_TEST_FINISH(result);                                                                \
    }

#define ORLUNE_TEST_MAIN(TestObject) ORLUNE_TEST_MAIN_WITH(QApplication, TestObject)
#define ORLUNE_GUILESS_TEST_MAIN(TestObject) ORLUNE_TEST_MAIN_WITH(QCoreApplication, TestObject)
