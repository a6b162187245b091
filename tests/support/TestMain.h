#pragma once

#include "base/System.h"

#include <QTest>

// QTEST_MAIN and QTEST_GUILESS_MAIN, with the test program ending the way the program does (see
// System::endProcess): Qt's own main runs as it is, under another name, and its result is the
// exit code.
#define KESTRUNE_TEST_MAIN_THROUGH(qtMain, TestObject)                                                       \
    namespace KestruneTestMain {                                                                             \
    qtMain(TestObject)                                                                                       \
    }                                                                                                        \
    int main(int argc, char* argv[]) {                                                                       \
        System::endProcess(KestruneTestMain::main(argc, argv));                                              \
    }

#define KESTRUNE_TEST_MAIN(TestObject) KESTRUNE_TEST_MAIN_THROUGH(QTEST_MAIN, TestObject)
#define KESTRUNE_TEST_GUILESS_MAIN(TestObject) KESTRUNE_TEST_MAIN_THROUGH(QTEST_GUILESS_MAIN, TestObject)
