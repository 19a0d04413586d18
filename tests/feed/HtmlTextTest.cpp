// An item's HTML as the text view reads it: broken markup keeps its text,
// deep nesting costs one pass, and only web addresses become links.
#include "feed/HtmlLink.h"
#include "feed/HtmlText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Plain(std::string_view html) { return HtmlPlainText(ReadHtmlText(html, "http://a.pl/d/i.html")); }

std::string Repeat(std::string_view part, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += part;
    return text;
}

}  // namespace

TEST(HtmlText, BrokenMarkupKeepsItsText) {
    const struct {
        const char* html;
        const char* plain;
    } cases[] = {
        {"Caf&eacute; &amp; bar &nbsp;&mdash; end", "Caf\u00e9 & bar \u00a0\u2014 end"},
        {"a &#65;&#x42;&#x1F389; &#146;s &#150; &#0; &#xD800; &#99999999;",
         "a AB\U0001F389 \u2019s \u2013 \uFFFD \uFFFD \uFFFD"},
        {"&bogus; &amp &copy2026 & &#; &#x;", "&bogus; & \u00a92026 & &#; &#x;"},
        // A plain text keeps its line breaks and spaces.
        {"one\rtwo  three\r\n\r\nfour <5", "one\r\ntwo  three\r\n\r\nfour <5"},
        {"<p>one<p>two</p></p>three", "one\r\ntwo\r\nthree"},
        {"a</x></div></b>b<b>c</i>d", "a\r\nbcd"},
        {"<b>a</b> < b and c <= d <3 <", "a < b and c <= d <3 <"},
        {"<a href=/x title='q > r'>link</a> <img alt=pic src=p.png> <img src=t.gif width=1 height=1>",
         "link [pic]"},
        {"<ul><li>one<li>two<ol start=3><li>three</ol></ul>", "\u2022 one\r\n\u2022 two\r\n  3. three"},
        {"x<br><br><br><br>y<br>", "x\r\n\r\n\r\ny"},
        {"<table><tr><th>h1<th>h2<tr><td>a<td>b</table>after", "h1\th2\r\na\tb\r\nafter"},
        {"<p>kept<script>document.write('<p>no')</script><style>p{}</style>too<!-- no --><title>no</title>",
         "kepttoo"},
        {"<script>never closed <p>gone", ""},
        {"<pre>\n  a  b\nc</pre>", "  a  b\r\nc"},
        {"text<b unclosed=\"attribute", "text"},
        {"<![CDATA[x<y]]> &lt;b&gt;", "x<y <b>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Plain(c.html), c.plain) << c.html;
}

// Every element is opened and closed once whatever the nesting, and the
// layout's indentation stops at its limit.
TEST(HtmlText, DeepNestingIsOnePass) {
    constexpr int kDeep = 200000;
    EXPECT_EQ(Plain(Repeat("<div>", kDeep) + "x" + Repeat("</div>", kDeep)), "x");
    const THtmlText lists = ReadHtmlText(Repeat("<ul><li>", kDeep) + "x", "");
    ASSERT_EQ(lists.Blocks.size(), 1u);
    EXPECT_EQ(lists.Blocks[0].Indent, kHtmlMaxIndent);
    // End tags that match nothing, or an element outside the innermost
    // list, look through nothing.
    const THtmlText styled = ReadHtmlText("<i><ul><li>" + Repeat("<b>", kDeep) + "x" + Repeat("</i>", kDeep) +
                                              Repeat("</u>", kDeep) + "</ul>y",
                                          "");
    ASSERT_EQ(styled.Blocks.size(), 2u);
    EXPECT_EQ(styled.Blocks[0].Spans.at(0).Style, hsBold | hsItalic);
    EXPECT_EQ(styled.Blocks[1].Spans.at(0).Style, hsItalic);
    EXPECT_EQ(Plain(Repeat("<a href=x>", kDeep) + Repeat("<tr><td>", kDeep)).size(), 0u);
}

TEST(HtmlText, OnlyWebAddressesAreLinks) {
    const char* base = "http://a.pl/d/i.html?q=1#f";
    const struct {
        const char* href;
        const char* address;
    } cases[] = {
        {"https://b.pl/x?a=1&b=2", "https://b.pl/x?a=1&b=2"},
        {"  mailto:me@a.pl ", "mailto:me@a.pl"},
        {"FTP://f.pl/", "FTP://f.pl/"},
        {"/top", "http://a.pl/top"},
        {"next.html", "http://a.pl/d/next.html"},
        {"../up/./x", "http://a.pl/up/x"},
        {"?p=2", "http://a.pl/d/i.html?p=2"},
        {"#part", "http://a.pl/d/i.html?q=1#part"},
        {"//c.pl/y", "http://c.pl/y"},
        {"javascript:alert(1)", ""},
        {"java\nscript:alert(1)", ""},
        {" JavaScript:alert(1)", ""},
        {"data:text/html,<script>x</script>", ""},
        {"file:///etc/passwd", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveLink(c.href, base), c.address) << c.href;
    // Without a web address of the item, a relative link goes nowhere.
    EXPECT_EQ(ResolveLink("next.html", ""), "");
    EXPECT_EQ(ResolveLink("next.html", "mailto:x@a.pl"), "");

    const THtmlText text =
        ReadHtmlText("<a href='javascript:go()'>no</a> <a href=\"/a?x=1&copy=2&amp;y\">yes</a>", base);
    ASSERT_EQ(text.Links, std::vector<std::string>{"http://a.pl/a?x=1&copy=2&y"});
    ASSERT_EQ(text.Blocks.size(), 1u);
    ASSERT_EQ(text.Blocks[0].Spans.size(), 1u);
    EXPECT_EQ(text.Blocks[0].Text.substr(text.Blocks[0].Spans[0].Begin), "yes");
}
