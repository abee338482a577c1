// A control of a configuration page, found by its name as a screen reader or Designer knows it.
#pragma once

#include <QString>
#include <QWidget>
#include <gtest/gtest.h>

namespace pelorin::test {

template <typename T> T* pageControl(QWidget& page, const char* name)
{
    T* c = page.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

} // namespace pelorin::test
