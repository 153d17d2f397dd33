#pragma once
// A window's controls found by object name, and clicked as a user clicks them.
#include <QAbstractButton>
#include <QList>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace norvane::test {

template <typename T> T* control(const QWidget& window, const char* name)
{
    T* found = window.findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

inline void press(const QWidget& window, const char* name)
{
    QTest::mouseClick(control<QAbstractButton>(window, name), Qt::LeftButton);
}

// The windows open in an MDI area, in the order they were opened.
inline QList<QWidget*> openChildren(const QMdiArea& area)
{
    QList<QWidget*> open;
    for (QMdiSubWindow* window : area.subWindowList(QMdiArea::CreationOrder))
        if (window->widget())
            open << window->widget();
    return open;
}

} // namespace norvane::test
