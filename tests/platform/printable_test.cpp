// Names on their way to a terminal: what could move the cursor, recolour or reorder the
// text stays escaped; other characters are printed as text where the output takes UTF-8.
#include <gtest/gtest.h>

#include "platform/printable.h"

namespace {

using platform::escaped_text;

TEST(PrintableText, EscapesControlBytesWhateverTheOutput) {
    for (bool utf8 : {false, true}) {
        EXPECT_EQ(escaped_text("nowhere\x1b[2J", utf8), "nowhere\\x1b[2J");
        EXPECT_EQ(escaped_text(std::string("a\0b\x7f\"", 5), utf8), "a\\x00b\\x7f\\x22");
    }
}

// Error messages showed "caf\xc3\xa9" for a folder named café.
TEST(PrintableText, PrintsUtf8NamesAsTextWhereTheOutputTakesUtf8) {
    EXPECT_EQ(escaped_text("caf\xc3\xa9/\xe6\x97\xa5\xe6\x9c\xac/\xf0\x9f\x8e\xb5.mp3", true),
              "caf\xc3\xa9/\xe6\x97\xa5\xe6\x9c\xac/\xf0\x9f\x8e\xb5.mp3");
    EXPECT_EQ(escaped_text("caf\xc3\xa9", false), "caf\\xc3\\xa9");
}

TEST(PrintableText, EscapesBytesThatAreNotUtf8) {
    EXPECT_EQ(escaped_text("a\x80z", true), "a\\x80z");                   // a stray continuation byte
    EXPECT_EQ(escaped_text("a\xc3", true), "a\\xc3");                      // cut at the end
    EXPECT_EQ(escaped_text("\xc3(", true), "\\xc3(");                      // cut by another character
    EXPECT_EQ(escaped_text("\xc0\xaf", true), "\\xc0\\xaf");               // an overlong '/'
    EXPECT_EQ(escaped_text("\xed\xa0\x80", true), "\\xed\\xa0\\x80");      // a surrogate
    EXPECT_EQ(escaped_text("\xf4\x90\x80\x80", true), "\\xf4\\x90\\x80\\x80");  // past U+10FFFF
}

TEST(PrintableText, EscapesC1ControlsAndMarksThatTurnLines) {
    EXPECT_EQ(escaped_text("\xc2\x9b" "2J", true), "\\xc2\\x9b" "2J");         // U+009B, a CSI to some terminals
    EXPECT_EQ(escaped_text("abc\xe2\x80\xae" "fdp.exe", true), "abc\\xe2\\x80\\xae" "fdp.exe");  // U+202E
    EXPECT_EQ(escaped_text("a\xe2\x80\xa8" "b", true), "a\\xe2\\x80\\xa8" "b");  // U+2028, a line break
    EXPECT_EQ(escaped_text("\xc2\xa0\xe2\x80\x94", true), "\xc2\xa0\xe2\x80\x94");  // no-break space, em dash
}

TEST(PrintableText, CutsLongTextBetweenCharacters) {
    EXPECT_EQ(escaped_text("\xc3\xa9\xc3\xa9\xc3\xa9", true, 3), "\xc3\xa9...");
    EXPECT_EQ(escaped_text("\xc3\xa9\xc3\xa9\xc3\xa9", true, 4), "\xc3\xa9\xc3\xa9...");
    EXPECT_EQ(escaped_text("\xc3\xa9", false, 1), "\\xc3...");
    EXPECT_EQ(escaped_text("abcdef", true, 6), "abcdef");
}

}  // namespace
