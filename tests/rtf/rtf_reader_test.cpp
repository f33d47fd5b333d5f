// Table tests of the RTF reader core: each construct, code pages, malformed
// input and the limits.
#include <gtest/gtest.h>

#include <string>

#include "RtfDocumentCheck.h"
#include "rtf/RtfReader.h"

namespace {

using Status = RtfReader::Status;

struct Case {
    const char* name;
    std::string rtf;
    std::string expected;  // rtftest::Describe of the document
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

RtfDocument ParseOk(const std::string& rtf) {
    RtfDocument document;
    const Status status = RtfReader().Parse(rtf, document);
    EXPECT_EQ(status, Status::Ok) << RtfReader::StatusName(status);
    EXPECT_EQ(rtftest::Problem(document), "");
    return document;
}

class RtfTable : public testing::TestWithParam<Case> {};

TEST_P(RtfTable, ReadsAsExpected) {
    EXPECT_EQ(rtftest::Describe(ParseOk(GetParam().rtf)), GetParam().expected);
}

std::string CaseName(const testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

// Paragraphs, character formatting and groups.
INSTANTIATE_TEST_SUITE_P(
    Structure, RtfTable,
    testing::Values(
        Case{"Plain", R"({\rtf1 Hello world})", "{}Hello world"}, Case{"Empty", R"({\rtf1})", ""},
        Case{"Paragraphs", R"({\rtf1 a\par b\par\par c})", "{}a¶{}b¶¶{}c"},
        Case{"FinalParEndsLastParagraph", R"({\rtf1 a\par})", "{}a"},
        Case{"OnlyPar", R"({\rtf1\par})", ""},
        Case{"BreaksShownAsParagraphs", R"({\rtf1 a\sect b\page c\row d})", "{}a¶{}b¶{}c¶{}d"},
        Case{"BackslashNewlineIsPar", "{\\rtf1 a\\\nb\\\r\nc}", "{}a¶{}b¶{}c"},
        Case{"FileLineEndsIgnored", "{\\rtf1 a\r\nb\nc\r}", "{}abc"},
        Case{"Toggles", R"({\rtf1 \b B\b0 n\i I\i0\ul U\ulnone\uldb D\ul0 x})",
             "{b}B{}n{i}I{u}UD{}x"},
        Case{"ToggleWithNonZeroParameter", R"({\rtf1 \b2 x\i-1 y})", "{b}x{b i}y"},
        Case{"UnderlineColourIsNoUnderline", R"({\rtf1 \ulc2 x})", "{}x"},
        Case{"GroupsRestoreFormat", R"({\rtf1 a{\b b{\i c}d}e})", "{}a{b}b{b i}c{b}d{}e"},
        Case{"GroupsAcrossParagraphs", R"({\rtf1 {\b a\par b}c})", "{b}a¶{b}b{}c"},
        Case{"FontSizes", R"({\rtf1 \fs36 big\fs0 def\fs99999999 huge\fs7 odd})",
             "{fs36}big{}def{fs3276}huge{fs7}odd"},
        Case{"PlainResetsCharacterFormat", R"({\rtf1 \b\i\ul\fs40 x\plain y})", "{b i u fs40}x{}y"},
        Case{"PardKeepsCharacterFormat", R"({\rtf1 \b x\par\pard y})", "{b}x¶{b}y"},
        Case{"LineAndTab", "{\\rtf1 a\\line b\\tab c\td\\cell e}", "{}a<br>b<tab>c<tab>d<tab>e"},
        Case{"EscapedBraces", R"({\rtf1 \{x\}\\})", "{}{x}\\"},
        Case{"SpecialCharacters",
             R"({\rtf1 \emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote\~\_\-x})",
             "{}—–•‘’“”\u00a0‑\u00adx"},
        Case{"DelimiterSpaceBelongsToWord", R"({\rtf1 \b  two\b0   three})", "{b} two{}  three"},
        Case{"UnknownWordsIgnored", R"({\rtf1 \foo\bar12 x\widowctrl y})", "{}xy"},
        Case{"UnknownGroupKeepsItsText", R"({\rtf1 {\foo text}})", "{}text"},
        Case{"LongUnknownWord", "{\\rtf1 \\" + std::string(100, 'b') + " x}", "{}x"}),
    CaseName);

// The colour table and \cf.
INSTANTIATE_TEST_SUITE_P(
    Colours, RtfTable,
    testing::Values(
        Case{"Indexes",
             R"({\rtf1{\colortbl;\red255\green0\blue0;\red0\green128\blue255;})"
             R"(\cf1 r\cf2 b\cf0 d\cf9 o\cf-3 n})",
             "{#ff0000}r{#0080ff}b{}don"},
        Case{"FirstEntryAColour", R"({\rtf1{\colortbl\red1\green2\blue3;}\cf0 x})", "{#010203}x"},
        Case{"ComponentsClamped", R"({\rtf1{\colortbl;\red300\green-5\blue99999999999;}\cf1 x})",
             "{#ff00ff}x"},
        Case{"MissingComponentsAreZero", R"({\rtf1{\colortbl;\green9;}\cf1 x})", "{#000900}x"},
        Case{"EntryWithoutSemicolonDropped", R"({\rtf1{\colortbl;\red9}\cf1 x})", "{}x"},
        Case{"ColourInGroup", R"({\rtf1{\colortbl;\red255\green0\blue0;}a{\cf1 b}c})",
             "{}a{#ff0000}b{}c"},
        Case{"PlainResetsColour", R"({\rtf1{\colortbl;\red255\green0\blue0;}\cf1 a\plain b})",
             "{#ff0000}a{}b"}),
    CaseName);

// \uN and the fallback characters counted by \ucN.
INSTANTIATE_TEST_SUITE_P(
    Unicode, RtfTable,
    testing::Values(
        Case{"DefaultSkipsOne", R"({\rtf1 \u12354?x})", "{}あx"},
        Case{"Uc0SkipsNothing", R"({\rtf1 \uc0\u12354 x})", "{}あx"},
        Case{"Uc2SkipsTwoHexBytes", R"({\rtf1 \uc2\u12354\'82\'a0x})", "{}あx"},
        Case{"ControlWordCountsAsOne", R"({\rtf1 \u12354\tab x})", "{}あx"},
        Case{"NegativeValue", R"({\rtf1 \u-24288?})", "{}\uA120"},
        Case{"SurrogatePair", R"({\rtf1 \u-10179?\u-8704?})", "{}😀"},
        Case{"AstralCodePoint", R"({\rtf1 \u128512?})", "{}😀"},
        Case{"LoneHighSurrogate", R"({\rtf1 \u55357?x})", "{}\uFFFDx"},
        Case{"LoneLowSurrogate", R"({\rtf1 \u56832?x})", "{}\uFFFDx"},
        Case{"HighSurrogateBeforeParagraphEnd", R"({\rtf1 \u55357?\par x})", "{}\uFFFD¶{}x"},
        Case{"TooLarge", R"({\rtf1 \u99999999999?x})", "{}\uFFFDx"},
        Case{"TooNegative", R"({\rtf1 \u-99999?x})", "{}\uFFFDx"},
        Case{"UcIsScopedToGroup", R"({\rtf1 {\uc2 \u12354 ab}\u12354 cd})", "{}ああd"},
        Case{"BraceEndsFallback", R"({\rtf1 \uc3\u12354 a{\b b}})", "{}あ{b}b"},
        Case{"HugeUcSkipsToGroupEnd", R"({\rtf1 {\uc99999999999 \u12354 abc}d})", "{}あd"},
        Case{"ControlCharactersDropped", R"({\rtf1 a\u0?\u7?\u127?\u-2?b})", "{}ab"},
        Case{"BreakCharactersBecomeLineBreaks", R"({\rtf1 a\u10?b\u8233?c\'0dd})",
             "{}a<br>b<br>c<br>d"},
        Case{"NoParamIgnored", R"({\rtf1 a\u b})", "{}ab"}),
    CaseName);

// Destinations that are read, skipped or partly shown.
INSTANTIATE_TEST_SUITE_P(
    Destinations, RtfTable,
    testing::Values(
        Case{"HeaderTablesSkipped",
             R"({\rtf1\ansi\deff0{\fonttbl{\f0\fswiss Helvetica;}{\f1 Times;}})"
             R"({\colortbl;\red1\green2\blue3;}{\stylesheet{\s0 Normal;}{\s1 Heading;}})"
             R"({\info{\title T}{\author A}{\creatim\yr2001}}Body})",
             "{}Body"},
        Case{"FontTableWithoutInnerGroups", R"({\rtf1{\fonttbl\f0\fswiss Helvetica;\f1 X;}Body})",
             "{}Body"},
        Case{"StarredUnknownSkipped", R"({\rtf1 a{\*\unknown stuff {nested} more}b})", "{}ab"},
        Case{"StarredKnownDestinationSkipped", R"({\rtf1 a{\*\fldinst x}b})", "{}ab"},
        Case{"StarBeforeTextHasNoEffect", R"({\rtf1 {\* x}})", "{} x"},
        Case{"Picture", R"({\rtf1 a{\pict\pngblip\picw10 89504e470d0a}b})", "{}ab"},
        Case{"PictureWithBinaryBraces", "{\\rtf1 a{\\pict\\bin5 }}{{\\}b}", "{}ab"},
        Case{"BinaryInText", R"({\rtf1 a\bin3 xyzb})", "{}ab"},
        Case{"BinaryPastEnd", R"({\rtf1 a\bin99999999999 xyz})", "{}a"},
        Case{"NegativeBinary", R"({\rtf1 a\bin-5 b})", "{}ab"},
        Case{"Field", R"({\rtf1 {\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}}})", "{}link"},
        Case{"FieldInstructionWithoutStar", R"({\rtf1 {\field{\fldinst PAGE}{\fldrslt 1}}})",
             "{}1"},
        Case{"HeadersFootersFootnotes", R"({\rtf1 {\header h}{\footerl f}a{\footnote n}b})",
             "{}ab"},
        Case{"UnicodeAlternative", R"({\rtf1 {\upr{ansi}{\*\ud{uni}}}})", "{}uni"},
        Case{"Attachment", R"({\rtf1 a{{\NeXTGraphic pic.png \width10 \height10 }\'ac}b})", "{}ab"},
        Case{"ListTextShown", R"({\rtf1 {\listtext 1.\tab}Item})", "{}1.<tab>Item"},
        Case{"SkippedGroupIgnoresFormatting", R"({\rtf1 {\info\b}x})", "{}x"}),
    CaseName);

// \'hh bytes in the document's and the fonts' code pages.
INSTANTIATE_TEST_SUITE_P(
    CodePages, RtfTable,
    testing::Values(
        Case{"Western", R"({\rtf1\ansi \'e9\'80\'fc})", "{}é€ü"},
        Case{"WesternIsDefault", R"({\rtf1 \'e9})", "{}é"},
        Case{"HexCase", R"({\rtf1 \'E9\'eA})", "{}éê"},
        Case{"CentralEuropeanByAnsiCpg", R"({\rtf1\ansi\ansicpg1250 \'9a\'e8})", "{}šč"},
        Case{"CentralEuropeanByCharset",
             R"({\rtf1{\fonttbl{\f0\fcharset238 Arial CE;}{\f1\fcharset0 Arial;}}\f0\'e8\f1\'e8})",
             "{}čè"},
        Case{"CharsetZeroIsWestern",
             R"({\rtf1\ansi\ansicpg1250{\fonttbl{\f0\fcharset0 Arial;}}\f0\'e8})", "{}è"},
        Case{"FontWithoutCharsetUsesDocumentPage",
             R"({\rtf1\ansi\ansicpg1250{\fonttbl{\f0 Arial;}}\f0\'e8})", "{}č"},
        Case{"Cyrillic", R"({\rtf1{\fonttbl{\f0\fcharset204 A;}}\f0\'c0\'e1})", "{}Аб"},
        Case{"CpgOverridesCharset", R"({\rtf1{\fonttbl{\f0\fcharset238\cpg1251 A;}}\f0\'c0})",
             "{}А"},
        Case{"MacRoman", R"({\rtf1\mac \'8e\'a5})", "{}é•"},
        Case{"UnsupportedPageReadAsWestern", R"({\rtf1\ansi\ansicpg99999 \'e9})", "{}é"},
        Case{"NegativePageIgnored", R"({\rtf1\ansi\ansicpg-5 \'e9})", "{}é"},
        Case{"SymbolBullet", R"({\rtf1{\fonttbl{\f1\fcharset2 Symbol;}}{\f1\'b7}x})", "{}•x"},
        Case{"JapaneseByAnsiCpg", R"({\rtf1\ansi\ansicpg932 \'82\'a0\'82\'a2})", "{}あい"},
        Case{"JapaneseByDefaultFont",
             R"({\rtf1\ansi\deff0{\fonttbl{\f0\fnil\fcharset128 MS Mincho;}}\'93\'fa\'96\'7b})",
             "{}日本"},
        Case{"JapaneseLiteralTrailBytes", R"({\rtf1\ansicpg932 \'83e\'83\\})", "{}テソ"},
        Case{"JapaneseHalfWidth", R"({\rtf1\ansicpg932 \'b1})", "{}ｱ"},
        Case{"JapaneseCutLeadByte", R"({\rtf1\ansicpg932 a\'82})", "{}a\uFFFD"},
        Case{"JapaneseUnicodeWithFallback", R"({\rtf1\ansi\ansicpg932\uc2\u26085\'93\'fa})",
             "{}日"},
        Case{"JapaneseAcrossFormatChange", R"({\rtf1\ansicpg932 \'82\'a0{\b \'82\'a2}\'82\'a4})",
             "{}あ{b}い{}う"},
        Case{"FontSwitchFlushesBytes",
             R"({\rtf1{\fonttbl{\f0\fcharset0 A;}{\f1\fcharset128 B;}}\f0\'e9{\f1\'82\'a0}})",
             "{}éあ"},
        Case{"BytesInFontTableIgnored",
             R"({\rtf1{\fonttbl{\f0\fcharset128 \'82\'6c\'82\'72 Mincho;}}x})", "{}x"},
        Case{"Chinese", R"({\rtf1{\fonttbl{\f0\fcharset134 S;}}\f0\'d6\'d0})", "{}中"},
        Case{"Korean", R"({\rtf1{\fonttbl{\f0\fcharset129 G;}}\f0\'c7\'d1})", "{}한"}),
    CaseName);

// Broken input that still reads: the document is what a careful reader
// makes of it.
INSTANTIATE_TEST_SUITE_P(
    Malformed, RtfTable,
    testing::Values(Case{"LeadingWhitespace", "\r\n {\\rtf1 x}", "{}x"},
                    Case{"MissingClosingBraces", R"({\rtf1 {\b abc)", "{b}abc"},
                    Case{"TextAfterDocumentIgnored", R"({\rtf1 a}}b{c)", "{}a"},
                    Case{"ExtraClosingBraces", R"({\rtf1 a{\b b}}}}})", "{}a{b}b"},
                    Case{"BackslashAtEnd", "{\\rtf1 a\\", "{}a"},
                    Case{"HexEscapeAtEnd", "{\\rtf1 a\\'", "{}a"},
                    Case{"HexEscapeOneDigitAtEnd", "{\\rtf1 a\\'4", "{}a"},
                    Case{"HexEscapeBadDigit", R"({\rtf1 a\'4zb})", "{}azb"},
                    Case{"HexEscapeNoDigits", R"({\rtf1 a\'zz})", "{}azz"},
                    Case{"UnicodeWordAtEnd", "{\\rtf1 a\\u", "{}a"},
                    Case{"MinusWithoutDigits", R"({\rtf1 a\u-b})", "{}a-b"},
                    Case{"WordAtEnd", "{\\rtf1 a\\b", "{}a"},
                    Case{"ParameterAtEnd", "{\\rtf1 a\\fs4", "{}a"},
                    Case{"HugeParameters",
                         R"({\rtf1 \fs99999999999999999999999 a\b-99999999999 b\f-99999999999 c})",
                         "{fs3276}a{b fs3276}bc"},
                    Case{"HugeColourIndex",
                         R"({\rtf1{\colortbl;\red1;}\cf99999999999999999 a\cf1 b\cf4294967297 c})",
                         "{}a{#010000}b{}c"},
                    Case{"NulBytesDropped", std::string("{\\rtf1 a\0b}", 11), "{}ab"},
                    Case{"ColourTableNeverClosed", R"({\rtf1{\colortbl;\red1;)", ""},
                    Case{"ManySiblingGroups",
                         "{\\rtf1 " +
                             [] {
                                 std::string s;
                                 for (int i = 0; i < 100000; ++i) {
                                     s += "{}";
                                 }
                                 return s;
                             }() +
                             "x}",
                         "{}x"}),
    CaseName);

// The format at a paragraph's end is kept for it: it gives an empty line
// its height.
TEST(RtfReaderParagraphs, MarkFormat) {
    const RtfDocument document = ParseOk(R"({\rtf1 \fs40 a\par\fs20\b\par {\i b}})");
    ASSERT_EQ(document.paragraphs.size(), 3u);
    EXPECT_EQ(rtftest::Describe(document.paragraphs[0].markFormat), "{fs40}");
    EXPECT_EQ(rtftest::Describe(document.paragraphs[1].markFormat), "{b fs20}");
    // The last paragraph has no end of its own: its last run's format.
    EXPECT_EQ(rtftest::Describe(document.paragraphs[2].markFormat), "{b i fs20}");
}

TEST(RtfReaderStatus, NotRtf) {
    for (const std::string input : {"", "hello", "{\\rt", "\\rtf1", "{ \\rtf1 x}", "{\\RTF1 x}"}) {
        RtfDocument document;
        EXPECT_EQ(RtfReader().Parse(input, document), Status::NotRtf) << input;
        EXPECT_TRUE(document.paragraphs.empty());
    }
}

// A failed parse leaves the caller's document empty, not half-filled.
TEST(RtfReaderStatus, FailureEmptiesDocument) {
    RtfDocument document = ParseOk(R"({\rtf1 old text})");
    ASSERT_FALSE(document.paragraphs.empty());
    EXPECT_EQ(RtfReader().Parse("plain text", document), Status::NotRtf);
    EXPECT_TRUE(document.paragraphs.empty());
}

std::string Nested(std::size_t depth, const std::string& opener) {
    std::string rtf = "{\\rtf1";
    for (std::size_t i = 1; i < depth; ++i) {
        rtf += opener;
    }
    rtf += "x";
    rtf += std::string(depth, '}');
    return rtf;
}

TEST(RtfReaderLimits, DepthLimitIsExact) {
    RtfReader::Limits limits;
    limits.maxGroupDepth = 8;
    const RtfReader reader(limits);
    RtfDocument document;
    EXPECT_EQ(reader.Parse(Nested(8, "{\\b "), document), Status::Ok);
    EXPECT_EQ(rtftest::Describe(document), "{b}x");
    EXPECT_EQ(reader.Parse(Nested(9, "{\\b "), document), Status::TooDeep);
    EXPECT_TRUE(document.paragraphs.empty());
}

// Depth inside a skipped group counts too, though it is not stacked.
TEST(RtfReaderLimits, DepthLimitInsideSkippedGroup) {
    RtfReader::Limits limits;
    limits.maxGroupDepth = 8;
    const RtfReader reader(limits);
    RtfDocument document;
    EXPECT_EQ(reader.Parse("{\\rtf1{\\*\\x" + Nested(6, "{") + "}y}", document), Status::Ok);
    EXPECT_EQ(rtftest::Describe(document), "{}y");
    EXPECT_EQ(reader.Parse("{\\rtf1{\\*\\x" + Nested(7, "{") + "}y}", document), Status::TooDeep);
}

TEST(RtfReaderLimits, HostileNestingFailsCleanly) {
    RtfDocument document;
    EXPECT_EQ(RtfReader().Parse("{\\rtf1" + std::string(1000000, '{'), document), Status::TooDeep);
    EXPECT_EQ(RtfReader().Parse("{\\rtf1{\\pict" + std::string(1000000, '{'), document),
              Status::TooDeep);
    // Balanced nesting within the default limit reads.
    EXPECT_EQ(RtfReader().Parse(Nested(200, "{\\i "), document), Status::Ok);
    EXPECT_EQ(rtftest::Describe(document), "{i}x");
}

TEST(RtfReaderLimits, InputSize) {
    RtfReader::Limits limits;
    limits.maxInputBytes = 12;
    RtfDocument document;
    EXPECT_EQ(RtfReader(limits).Parse("{\\rtf1 abcd}", document), Status::Ok);
    EXPECT_EQ(RtfReader(limits).Parse("{\\rtf1 abcde}", document), Status::TooLarge);
    EXPECT_TRUE(document.paragraphs.empty());
}

struct ElementCase {
    const char* name;
    std::string rtf;
};

class RtfElementLimit : public testing::TestWithParam<ElementCase> {};

// Each kind of element uses the budget: 10 elements are too few for these.
TEST_P(RtfElementLimit, ExceedingBudgetFails) {
    RtfReader::Limits limits;
    limits.maxElements = 10;
    RtfDocument document;
    EXPECT_EQ(RtfReader(limits).Parse(GetParam().rtf, document), Status::TooLarge);
    EXPECT_TRUE(document.paragraphs.empty());
}

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

std::string NumberedFonts(int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += "{\\f" + std::to_string(i) + "\\fcharset0 F;}";
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RtfElementLimit,
    testing::Values(ElementCase{"Paragraphs", "{\\rtf1 " + Repeat("a\\par ", 11) + "}"},
                    ElementCase{"Runs", "{\\rtf1 " + Repeat("\\b a\\b0 b", 6) + "}"},
                    ElementCase{"RunsFromBytes", "{\\rtf1 " + Repeat("\\b\\'e9\\b0\\'e9", 6) + "}"},
                    ElementCase{"Colours", "{\\rtf1{\\colortbl" + Repeat(";", 11) + "}}"},
                    ElementCase{"Fonts", "{\\rtf1{\\fonttbl" + NumberedFonts(11) + "}}"}),
    [](const testing::TestParamInfo<ElementCase>& info) { return info.param.name; });

TEST(RtfReaderLimits, BudgetIsEnoughForOrdinaryDocuments) {
    RtfReader::Limits limits;
    limits.maxElements = 10;
    RtfDocument document;
    // 4 fonts/colours, 2 paragraphs of 2 runs each = 10 elements.
    EXPECT_EQ(RtfReader(limits).Parse(R"({\rtf1{\fonttbl{\f0 A;}{\f1 B;}}{\colortbl;\red1;})"
                                      R"(a\b b\par c\b0 d})",
                                      document),
              Status::Ok);
    EXPECT_EQ(rtftest::Describe(document), "{}a{b}b¶{b}c{}d");
}

}  // namespace
