#pragma once

#include <QTest>

#include <gtest/gtest.h>

//! Processes events until the condition holds; fails the test when it still does not after
//! the timeout (5 s unless given). The Qt Test QTRY_ macros do not report to GoogleTest.
#define EXPECT_EVENTUALLY_WITHIN(condition, milliseconds)                                                              \
    EXPECT_TRUE(QTest::qWaitFor([&] { return bool(condition); }, milliseconds)) << "never true: " #condition
#define ASSERT_EVENTUALLY_WITHIN(condition, milliseconds)                                                              \
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(condition); }, milliseconds)) << "never true: " #condition
#define EXPECT_EVENTUALLY(condition) EXPECT_EVENTUALLY_WITHIN(condition, 5000)
#define ASSERT_EVENTUALLY(condition) ASSERT_EVENTUALLY_WITHIN(condition, 5000)
