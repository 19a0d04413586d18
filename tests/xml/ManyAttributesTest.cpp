// Attribute lists long enough to be searched through their index.
#include "xml/VexXMLParser.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

std::string Name(int i) { return "Attr" + std::to_string(i); }

TEST(ManyAttributes, FindsEachByItsKeyAndKeepsTheOrder) {
    for (int count : {15, 16, 17, 18, 40, 1000}) {
        SCOPED_TRACE(count);
        TVexXMLParameters list;
        for (int i = 0; i < count; ++i)
            list.ParamByName(Name(i), true)->SetValue(std::to_string(i));
        ASSERT_EQ(list.Count(), count);
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(list.Items(i)->Name(), Name(i));
            TVexXMLParameter* upper = list.ParamByName("ATTR" + std::to_string(i), false);
            ASSERT_NE(upper, nullptr);
            EXPECT_EQ(upper->Value(), std::to_string(i));
            EXPECT_EQ(std::as_const(list).ParamByName("attr" + std::to_string(i)), upper);
            // Asking again with creation finds the same one.
            EXPECT_EQ(list.ParamByName(Name(i), true), upper);
        }
        EXPECT_EQ(list.ParamByName("Attr", false), nullptr);
        EXPECT_EQ(list.ParamByName(Name(count), false), nullptr);
        // A byte above 0x7F is not folded.
        list.ParamByName("\xE6x", true);
        EXPECT_EQ(list.ParamByName("\xC6X", false), nullptr);
        EXPECT_NE(list.ParamByName("\xE6X", false), nullptr);
        // A new one goes last.
        TVexXMLParameter* added = list.ParamByName("new", true);
        EXPECT_EQ(list.Items(count + 1), added);
        EXPECT_EQ(list.Count(), count + 2);
    }
}

TEST(ManyAttributes, ClearForgetsTheIndex) {
    TVexXMLParameters list;
    for (int i = 0; i < 100; ++i)
        list.ParamByName(Name(i), true);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.ParamByName(Name(50), false), nullptr);
    // Filled again, short and then long.
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(list.ParamByName(Name(i % 20), true)->Name(), Name(i % 20));
    EXPECT_EQ(list.Count(), 20);
    EXPECT_EQ(list.Items(19), list.ParamByName("attr19", false));
}

}  // namespace
