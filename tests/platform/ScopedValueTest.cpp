#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/ScopedValue.h"

TEST(ScopedValue, HoldsTheValueForItsScopeAndRestoresItAlsoOnAnException)
{
    std::string text = "kept";
    {
        TScopedValue scoped(text, "for now");
        EXPECT_EQ(text, "for now");
    }
    EXPECT_EQ(text, "kept");

    int count = 3;
    EXPECT_THROW(
        {
            TScopedValue scoped(count, 7);
            throw std::runtime_error("leaves the scope");
        },
        std::runtime_error);
    EXPECT_EQ(count, 3);
}
