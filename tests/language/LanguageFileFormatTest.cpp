#include <gtest/gtest.h>

#include <string>

#include "language/IniReader.h"
#include "language/LanguageFileParser.h"
#include "language/TextDecoding.h"
#include "language/TextEscapes.h"

using namespace std::string_literals;

namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

std::string utf16LittleEndian(const std::u16string& text) {
    std::string bytes;
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::string textOf(const std::vector<LanguageFileText>& texts, int id) {
    for (const LanguageFileText& text : texts) {
        if (text.id == id) {
            return text.text;
        }
    }
    return "<no row>";
}

}  // namespace

TEST(IniReader, MatchesSectionsAndKeysIgnoringCaseAndTakesTheFirstMatch) {
    const IniDocument ini(
        "[Dialog]\nidc_one=first\nIDC_ONE=second\n"
        "[OTHER]\nIDC_TWO=other section\n"
        "[dialog]\nIDC_ONE=third\nIDC_TWO=repeated section\n");
    EXPECT_EQ(ini.value("DIALOG", "IDC_ONE"), "first");
    EXPECT_EQ(ini.value("DIALOG", "IDC_TWO"), "repeated section");
    EXPECT_EQ(ini.value("DIALOG", "IDC_MISSING"), "");
    EXPECT_EQ(ini.value("MISSING", "IDC_ONE"), "");
}

TEST(IniReader, RemovesBlanksAroundKeysAndValuesAndOnePairOfQuotes) {
    const IniDocument ini(
        "  [ S ]  trailing words\n"
        " \tkey one \t=  \t spaced value \t \n"
        "double = \"  kept blanks \"\n"
        "single='quoted'\n"
        "nested=\"\"twice\"\"\n"
        "unmatched=\"open\n"
        "mixed='a\"\n"
        "inner=a \"b\" c\n");
    EXPECT_EQ(ini.value("S", "key one"), "spaced value");
    EXPECT_EQ(ini.value("S", "double"), "  kept blanks ");
    EXPECT_EQ(ini.value("S", "single"), "quoted");
    EXPECT_EQ(ini.value("S", "nested"), "\"twice\"");
    EXPECT_EQ(ini.value("S", "unmatched"), "\"open");
    EXPECT_EQ(ini.value("S", "mixed"), "'a\"");
    EXPECT_EQ(ini.value("S", "inner"), "a \"b\" c");
}

TEST(IniReader, IgnoresMalformedLinesAndReadsEveryLineEnding) {
    const IniDocument ini(
        "before=no section yet\n"
        "[S\n"
        "broken=after an unclosed bracket\n"
        "[S]\r\n"
        "; comment=not a key\r\n"
        "no equals sign\r"
        "=no key\r"
        "cr=after a lone CR\r"
        "crlf=after CRLF\r\n"
        "last=without line end");
    EXPECT_EQ(ini.value("S", "before"), "");
    EXPECT_EQ(ini.value("S", "broken"), "");
    EXPECT_EQ(ini.value("S", "; comment"), "");
    EXPECT_EQ(ini.value("S", ""), "");
    EXPECT_EQ(ini.value("S", "cr"), "after a lone CR");
    EXPECT_EQ(ini.value("S", "crlf"), "after CRLF");
    EXPECT_EQ(ini.value("S", "last"), "without line end");
}

TEST(IniReader, CutsValuesAt2047BytesBetweenCharactersAndAtZero) {
    const std::string longValue(3000, 'a');
    const std::string endsInsideCharacter = std::string(2046, 'b') + "\xC3\xA9" + "tail";
    const IniDocument ini("[S]\nlong=" + longValue + "\nsplit=" + endsInsideCharacter +
                          "\nzero=before\0after\nnext=still read\n"s);
    EXPECT_EQ(ini.value("S", "long"), std::string(2047, 'a'));
    EXPECT_EQ(ini.value("S", "split"), std::string(2046, 'b'));
    EXPECT_EQ(ini.value("S", "zero"), "before");
    EXPECT_EQ(ini.value("S", "next"), "still read");
}

TEST(TextDecoding, ReadsUtf16WithEitherByteOrderAndUtf16MarkedFilesWithoutZeros) {
    const std::u16string text = u"[S]\nk=\u041F\u0440\u0438\u0432\u0435\u0442 \U0001F600";
    const std::string expected =
        "[S]\nk=\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xF0\x9F\x98\x80";
    const std::string little = utf16LittleEndian(text);
    std::string big;
    for (std::size_t i = 0; i < little.size(); i += 2) {
        big += little[i + 1];
        big += little[i];
    }
    EXPECT_EQ(decodeLanguageFile("\xFF\xFE" + little, FileEncoding::Utf16), expected);
    EXPECT_EQ(decodeLanguageFile("\xFE\xFF" + big, FileEncoding::Utf16), expected);
    EXPECT_EQ(decodeLanguageFile(little, FileEncoding::Utf16), expected);
    // A byte-order mark wins over the name; a "UTF-16" file without zero bytes is UTF-8.
    EXPECT_EQ(decodeLanguageFile("\xFF\xFE" + little, FileEncoding::Ansi), expected);
    EXPECT_EQ(decodeLanguageFile(expected, FileEncoding::Utf16), expected);
    EXPECT_EQ(decodeLanguageFile("\xEF\xBB\xBF" + expected, FileEncoding::Utf8), expected);
}

TEST(TextDecoding, ReplacesOnlyTheBytesThatAreNotValid) {
    // Latin-1, an overlong slash, a UTF-16 surrogate, a code point above U+10FFFF and a sequence
    // cut off at the end of the file.
    EXPECT_EQ(decodeLanguageFile("Fehl\xE4r ok", FileEncoding::Ansi),
              "Fehl" + kReplacement + "r ok");
    EXPECT_EQ(decodeLanguageFile("a\xC0\xAF"
                                 "b",
                                 FileEncoding::Utf8),
              "a" + kReplacement + kReplacement + "b");
    EXPECT_EQ(decodeLanguageFile("\xED\xA0\x80", FileEncoding::Utf8),
              kReplacement + kReplacement + kReplacement);
    EXPECT_EQ(decodeLanguageFile("\xF4\x90\x80\x80", FileEncoding::Utf8).size(),
              4 * kReplacement.size());
    EXPECT_EQ(decodeLanguageFile("ok\xE2\x82", FileEncoding::Utf8),
              "ok" + kReplacement + kReplacement);
    // Unpaired surrogates and an odd last byte in UTF-16.
    const std::string units =
        utf16LittleEndian(u"a") + "\x00\xD8"s + utf16LittleEndian(u"b") + "\x00\xDC"s + "\x41"s;
    EXPECT_EQ(decodeLanguageFile(units, FileEncoding::Utf16),
              "a" + kReplacement + "b" + kReplacement);
}

TEST(TextEscapes, ReplaceTabThenLineFeedThenCarriageReturnAndNothingElse) {
    EXPECT_EQ(applyTextEscapes("Line one\\nLine two"), "Line one\nLine two");
    EXPECT_EQ(applyTextEscapes("C:\\temp"), "C:\temp");
    EXPECT_EQ(applyTextEscapes("a\\r\\n\\tb"), "a\r\n\tb");
    EXPECT_EQ(applyTextEscapes("\\\\n"), "\\\n");
    EXPECT_EQ(applyTextEscapes("C:\\Users\\x\\"), "C:\\Users\\x\\");
    EXPECT_EQ(applyTextEscapes("\\N \\T"), "\\N \\T");
}

TEST(LanguageFileParser, GivesOneTextPerTableRowFromTheKeysOwnSection) {
    const std::string file =
        "[DIALOG]\n"
        "IDC_BUTTON_STOP=Halt\n"
        "IDS_MESSAGE_ERROR=in the wrong section\n"
        "IDC_NOT_A_KEY=ignored\n"
        "IDC_BUTTON_PLAY=\n"
        "[STRING]\n"
        "IDS_MESSAGE_WARNING=Careful\\nnow\n"
        "[MENU]\n"
        "IDM_SELECT_LANGUAGE=Tongue\n";
    const std::vector<LanguageFileText> texts = parseLanguageFile(file, FileEncoding::Ansi);
    ASSERT_EQ(texts.size(), textKeys().size());
    for (std::size_t row = 0; row < texts.size(); ++row) {
        EXPECT_EQ(texts[row].id, textKeys()[row].id);
    }
    // The second identifiers of a key get the same text.
    EXPECT_EQ(textOf(texts, 1061), "Halt");
    EXPECT_EQ(textOf(texts, 124), "Halt");
    EXPECT_EQ(textOf(texts, 105), "");
    EXPECT_EQ(textOf(texts, 1058), "");
    EXPECT_EQ(textOf(texts, 108), "Careful\nnow");
    EXPECT_EQ(textOf(texts, 160 * 65536), "Tongue");
}
