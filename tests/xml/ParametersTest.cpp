#include "xml/VexXMLParser.h"

#include <gtest/gtest.h>

TEST(Parameters, FindOrCreateByNameKey) {
    TVexXMLNode node("xml", nkControlTag);
    TVexXMLParameters& params = node.Parameters();
    EXPECT_EQ(params.ParamByName("encoding", false), nullptr);
    EXPECT_EQ(params.Count(), 0);

    params.ParamByName("version", true)->SetValue("1.0");
    TVexXMLParameter* encoding = params.ParamByName("encoding", true);
    ASSERT_NE(encoding, nullptr);
    EXPECT_EQ(encoding->Name(), "encoding");
    EXPECT_EQ(encoding->Value(), "");
    ASSERT_EQ(params.Count(), 2);
    EXPECT_EQ(params.Items(1), encoding);  // appended last

    EXPECT_EQ(params.ParamByName("encoding", true), encoding);
    EXPECT_EQ(params.ParamByName("encoding", false), encoding);
    EXPECT_EQ(params.ParamByName("ENCODING", false), encoding);
    EXPECT_EQ(std::as_const(params).ParamByName("Encoding"), encoding);
    EXPECT_EQ(params.Count(), 2);
}

TEST(Parameters, RepeatedNameKeepsFirstFormAndLastValue) {
    TVexXMLParameters params;
    params.ParamByName("Href", true)->SetValue("first");
    params.ParamByName("HREF", true)->SetValue("second");
    ASSERT_EQ(params.Count(), 1);
    EXPECT_EQ(params.Items(0)->Name(), "Href");
    EXPECT_EQ(params.Items(0)->Value(), "second");
}

TEST(Parameters, LettersAboveAsciiAreNotFolded) {
    TVexXMLParameters params;
    TVexXMLParameter* small = params.ParamByName("\xB9", true);  // a with ogonek
    EXPECT_EQ(params.ParamByName("\xA5", false), nullptr);       // capital A with ogonek
    EXPECT_EQ(params.ParamByName("\xB9", false), small);
}

TEST(Parameters, ClearEmptiesTheList) {
    TVexXMLParameters params;
    for (const char* name : {"a", "b", "c"})
        params.ParamByName(name, true)->SetValue(std::string(100, *name));  // long enough to allocate
    params.Clear();
    EXPECT_EQ(params.Count(), 0);
    for (const char* name : {"a", "b", "c", ""})
        EXPECT_EQ(params.ParamByName(name, false), nullptr);
    EXPECT_THROW(params.Items(0), EVexXMLError);
    params.ParamByName("a", true);
    EXPECT_EQ(params.Count(), 1);
}

TEST(Parameters, ItemsOutsideTheListRaise) {
    TVexXMLParameters params;
    params.ParamByName("only", true);
    for (int i : {-1, 1, 2})
        EXPECT_THROW(params.Items(i), EVexXMLError) << i;
}
