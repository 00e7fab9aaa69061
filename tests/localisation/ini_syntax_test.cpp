// The language-file syntax: line rules and trimming, headers, key/value
// cutting, lookups and case, numbers, and the character bound of the parse.
#include <random>
#include <vector>

#include "ini_test_util.h"
#include "localisation/text_rules.h"

using loctest::Dump;
using loctest::IniFileTest;

namespace {

class IniLines : public IniFileTest {};
class IniHeaders : public IniFileTest {};
class IniKeyValue : public IniFileTest {};
class IniLookup : public IniFileTest {};
class IniNumbers : public IniFileTest {};

// ---------------------------------------------------------------- line rules

TEST_F(IniLines, LastLineWithoutLineFeedIsRead) {
    EXPECT_EQ(Parse("[TEXT]\nA=1\nB=2"), "[TEXT]A=1|B=2|");
}

TEST_F(IniLines, BlankAndWhiteSpaceLinesAreIgnored) {
    EXPECT_EQ(Parse("\n\n[TEXT]\n   \n\t\nA=1\n\n \t "), "[TEXT]A=1|");
}

TEST_F(IniLines, CarriageReturnsAreDroppedWherever) {
    EXPECT_EQ(Parse("[TE\rXT]\r\nA=x\ry\r\n\rB\r=\r2\r"), "[TEXT]A=xy|B=2|");
}

TEST_F(IniLines, CarriageReturnAloneDoesNotEndALine) {
    // "[TEXT]A=1B=2" is one line: it starts with "[" but does not end with
    // "]", so it is a key/value line with no section and is dropped.
    EXPECT_EQ(Parse("[TEXT]\rA=1\rB=2\r"), "");
}

TEST_F(IniLines, TrimsTheFixedWhiteSpaceSet) {
    // U+0009..U+000D, U+0020 and U+00A0 are trimmed; U+0085 is not.
    std::wstring text = L"[TEXT]\n\x0B\x0C\xA0 A \xA0=\xA0 v \x0B\x0C\xA0\nB=\x85x\x85\n";
    ASSERT_TRUE(LoadBytes(loctest::Utf16Le(text)));
    EXPECT_EQ(Text(L"A"), L"v");
    EXPECT_EQ(Text(L"B"), L"\x85x\x85");
}

TEST_F(IniLines, SpacesAboveFFFollowThePlatformClassification) {
    const bool ideographicIsSpace = textrules::IsWhiteSpace(static_cast<wchar_t>(0x3000), TestPlatform());
    ASSERT_TRUE(LoadBytes(loctest::Utf16Le(L"[TEXT]\nA=\x3000v\x3000\n")));
    EXPECT_EQ(Text(L"A"), ideographicIsSpace ? L"v" : L"\x3000v\x3000");
#ifndef _WIN32
    // Host stand-in: the "C" locale, which calls nothing above U+00FF a space.
    EXPECT_FALSE(ideographicIsSpace);
    EXPECT_FALSE(textrules::IsWhiteSpace(static_cast<wchar_t>(0x2003), TestPlatform()));
#else
    // The C runtime's classification marks the ideographic and em spaces.
    EXPECT_TRUE(ideographicIsSpace);
    EXPECT_TRUE(textrules::IsWhiteSpace(static_cast<wchar_t>(0x2003), TestPlatform()));
#endif
}

TEST_F(IniLines, CommentsAreWholeLinesOnly) {
    EXPECT_EQ(Parse("[TEXT]\n; A=1\n  ;B=2\nC=3 ; note\n"), "[TEXT]C=3|");
}

// ------------------------------------------------------------------- headers

TEST_F(IniHeaders, BlanksAroundAndInsideBracketsAreTrimmed) {
    EXPECT_EQ(Parse("  [  Text  ]  \nA=1\n"), "[Text]A=1|");
}

TEST_F(IniHeaders, RepeatedHeaderContinuesTheFirstSectionInAnyAsciiCase) {
    EXPECT_EQ(Parse("[Text]\nA=1\n[MENU]\nM=1\n[TEXT]\nB=2\nA=3\n"), "[Text]A=1|B=2|A=3|[MENU]M=1|");
    EXPECT_EQ(Text(L"B"), L"2");
    EXPECT_EQ(Text(L"A"), L"1");
}

TEST_F(IniHeaders, LowerCaseGeneralIsFoundByTheFixedName) {
    ASSERT_TRUE(LoadBytes("[general]\ncodepage=1251\n"));
    EXPECT_EQ(doc.GetGeneralInt(L"CODEPAGE"), 1251u);
}

TEST_F(IniHeaders, HeaderFollowedByCommentIsABareKey) {
    EXPECT_EQ(Parse("[MENU]\n[TEXT] ; texts\nA=1\n"), "[MENU][TEXT] ; texts=|A=1|");
    EXPECT_EQ(Parse("[TEXT] ; no section yet\nA=1\n"), "");
}

TEST_F(IniHeaders, BracketLineWithEqualsIsHeaderOnlyWhenItEndsWithBracket) {
    EXPECT_EQ(Parse("[S]\n[x=1\n[a=b]\nk=v\n"), "[S][x=1|[a=b]k=v|");
}

TEST_F(IniHeaders, EmptyNameMeansNoSectionUntilTheNextNamedHeader) {
    EXPECT_EQ(Parse("[S]\nA=1\n[]\nB=2\n[  \t ]\nC=3\n[S]\nD=4\n"), "[S]A=1|D=4|");
}

TEST_F(IniHeaders, LoneOpeningBracketIsABareKey) {
    EXPECT_EQ(Parse("[S]\n[\n]\n"), "[S][=|]=|");
}

TEST_F(IniHeaders, EntriesBeforeTheFirstHeaderAreDropped) {
    EXPECT_EQ(Parse("A=1\nbare\n[S]\nB=2\n"), "[S]B=2|");
}

TEST_F(IniHeaders, NonAsciiLettersAreNotFolded) {
    ASSERT_TRUE(LoadBytes(loctest::Utf16Le(L"[\xC4]\nk=upper\n[\xE4]\nk=lower\n[\xC4]\nj=1\n")));
    EXPECT_EQ(doc.SectionCount(), 2u);
    EXPECT_EQ(doc.GetString(L"\xC4", L"k"), L"upper");
    EXPECT_EQ(doc.GetString(L"\xE4", L"k"), L"lower");
    EXPECT_EQ(doc.GetString(L"\xE4", L"j"), L"");
}

// ----------------------------------------------------------- key/value cuts

TEST_F(IniKeyValue, ValueEndsBeforeSemicolonAndIsTrimmed) {
    ASSERT_TRUE(LoadBytes("[TEXT]\nA =  v w  ; c\nB=x=y\nC=\nD\t=\t  \tz\n"));
    EXPECT_EQ(Text(L"A"), L"v w");
    EXPECT_EQ(Text(L"B"), L"x=y");
    EXPECT_EQ(Text(L"C"), L"");
    EXPECT_EQ(Text(L"D"), L"z");
}

TEST_F(IniKeyValue, QuotesInValuesAreOrdinary) {
    ASSERT_TRUE(LoadBytes("[TEXT]\nA=\"quoted\"\nB=\"q;r\"\n"));
    EXPECT_EQ(Text(L"A"), L"\"quoted\"");
    EXPECT_EQ(Text(L"B"), L"\"q");
}

TEST_F(IniKeyValue, QuotedKeysKeepInnerSpacesAndEquals) {
    EXPECT_EQ(Parse("[S]\n\" a = b \" \t= v\n\"k\"=w\n"), "[S] a = b =v|k=w|");
}

TEST_F(IniKeyValue, MalformedQuotedKeysAreDropped) {
    EXPECT_EQ(Parse("[S]\n\"k\" x = v\n\"open = v\n\"k=v\"\n\"\"=v\n"), "[S]");
}

TEST_F(IniKeyValue, QuotedKeyWithoutEqualsIsABareKeyWithQuotes) {
    EXPECT_EQ(Parse("[S]\n\"k\"\n  plain bare  \n"), "[S]\"k\"=|plain bare=|");
}

TEST_F(IniKeyValue, EmptyKeysAreDropped) {
    EXPECT_EQ(Parse("[S]\n=v\n   = w\n \t=\n"), "[S]");
}

TEST_F(IniKeyValue, BareKeyReadsAsPresentWithEmptyValue) {
    ASSERT_TRUE(LoadBytes("[TEXT]\nJUST_A_KEY\n"));
    std::wstring value = L"junk";
    EXPECT_TRUE(doc.GetTextValue(L"JUST_A_KEY", value));
    EXPECT_EQ(value, L"");
}

// ----------------------------------------------------------- lookups, case

TEST_F(IniLookup, FirstOfRepeatedKeysWins) {
    ASSERT_TRUE(LoadBytes("[TEXT]\nk=first\nK=second\n"));
    EXPECT_EQ(Text(L"k"), L"first");
    EXPECT_EQ(Text(L"K"), L"first");
}

TEST_F(IniLookup, FirstOfRepeatedKeysWinsInLongSections) {
    std::string text = "[TEXT]\n";
    for (int i = 0; i < 200; ++i) text += "KEY" + std::to_string(i) + "=v" + std::to_string(i) + "\n";
    text += "key7=late\n[TeXt]\nKEY7=later\nNEW=n\n";
    ASSERT_TRUE(LoadBytes(text));
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(Text(L"key" + std::to_wstring(i)), L"v" + std::to_wstring(i));
    }
    EXPECT_EQ(Text(L"new"), L"n");
    EXPECT_EQ(Text(L"KEY200"), L"<absent>");
}

TEST_F(IniLookup, CaseFoldingIsAsciiOnly) {
    ASSERT_TRUE(LoadBytes(loctest::Utf16Le(L"[TEXT]\nAbc=1\n\xC4x=2\n")));
    EXPECT_EQ(Text(L"aBC"), L"1");
    EXPECT_EQ(Text(L"\xE4x"), L"<absent>");
    EXPECT_EQ(Text(L"\xC4X"), L"2");
}

TEST_F(IniLookup, AbsenceGivesEmptyResults) {
    ASSERT_TRUE(LoadBytes("[MENU]\nM=1\n"));
    std::wstring value = L"junk";
    EXPECT_FALSE(doc.GetTextValue(L"M", value));
    EXPECT_EQ(value, L"");
    EXPECT_EQ(doc.GetString(L"MENU", L"X"), L"");
    EXPECT_EQ(doc.GetString(L"NONE", L"M"), L"");
    EXPECT_EQ(doc.GetString(L"menu", L"m"), L"1");
    EXPECT_EQ(doc.GetGeneralInt(L"M"), 0u);
}

TEST_F(IniLookup, LoadingTwiceNeverMerges) {
    ASSERT_TRUE(LoadBytes("[TEXT]\nA=1\n", "a.ini"));
    ASSERT_TRUE(LoadBytes("[TEXT]\nB=2\n", "b.ini"));
    EXPECT_EQ(Dump(doc), "[TEXT]B=2|");
    EXPECT_FALSE(doc.LoadFile(dir.File("missing.ini")));
    EXPECT_EQ(Dump(doc), "");
}

TEST_F(IniLookup, ClearEmptiesTheDocument) {
    ASSERT_TRUE(LoadBytes("[TEXT]\nA=1\n"));
    doc.Clear();
    EXPECT_EQ(doc.SectionCount(), 0u);
    EXPECT_EQ(Text(L"A"), L"<absent>");
}

// ------------------------------------------------------------------ numbers

TEST_F(IniNumbers, ReadLikeWcstoulBaseTen) {
    ASSERT_TRUE(LoadBytes(
        "[GENERAL]\nA=12abc\nB=abc\nC=4294967295\nD=4294967296\nE=-1\nF=+7\nG=-0\n"
        "H=99999999999999999999\nI=-4294967296\nJ=007\nK= 42 \nL=-\nM=3 4\nN=\n"));
    EXPECT_EQ(doc.GetGeneralInt(L"A"), 12u);
    EXPECT_EQ(doc.GetGeneralInt(L"B"), 0u);
    EXPECT_EQ(doc.GetGeneralInt(L"C"), 4294967295u);
    EXPECT_EQ(doc.GetGeneralInt(L"D"), 4294967295u);
    EXPECT_EQ(doc.GetGeneralInt(L"E"), 4294967295u);
    EXPECT_EQ(doc.GetGeneralInt(L"F"), 7u);
    EXPECT_EQ(doc.GetGeneralInt(L"G"), 0u);
    EXPECT_EQ(doc.GetGeneralInt(L"H"), 4294967295u);
    EXPECT_EQ(doc.GetGeneralInt(L"I"), 4294967295u);
    EXPECT_EQ(doc.GetGeneralInt(L"J"), 7u);
    EXPECT_EQ(doc.GetGeneralInt(L"K"), 42u);
    EXPECT_EQ(doc.GetGeneralInt(L"L"), 0u);
    EXPECT_EQ(doc.GetGeneralInt(L"M"), 3u);
    EXPECT_EQ(doc.GetGeneralInt(L"N"), 0u);
    EXPECT_EQ(doc.GetGeneralInt(L"absent"), 0u);
}

TEST_F(IniNumbers, NumbersComeOnlyFromGeneral) {
    ASSERT_TRUE(LoadBytes("[TEXT]\nCODEPAGE=1250\n"));
    EXPECT_EQ(doc.GetGeneralInt(L"CODEPAGE"), 0u);
}

TEST(IniNumberReading, MinusNegatesModulo2To32) {
    EXPECT_EQ(textrules::ParseUnsignedDecimal(L"-2", TestPlatform()), 4294967294u);
    EXPECT_EQ(textrules::ParseUnsignedDecimal(L"-4294967295", TestPlatform()), 1u);
    EXPECT_EQ(textrules::ParseUnsignedDecimal(L"\t\x0B 5", TestPlatform()), 5u);
}

// ------------------------------------------------------ the character bound

TEST(IniBound, AtMostBoundCharactersAreConsumed) {
    IniDocument doc(TestPlatform());
    const wchar_t* text = L"[TEXT]\nA=12345\nB=1\n";
    doc.ParseText(text, 11);  // "[TEXT]\n" and "A=12"
    EXPECT_EQ(Dump(doc), "[TEXT]A=12|");
    doc.Clear();
    doc.ParseText(text, 14);  // up to the LF after A's value, exclusive
    EXPECT_EQ(Dump(doc), "[TEXT]A=12345|");
    doc.Clear();
    doc.ParseText(text, 15);
    EXPECT_EQ(Dump(doc), "[TEXT]A=12345|");
    doc.Clear();
    doc.ParseText(text, 16);
    EXPECT_EQ(Dump(doc), "[TEXT]A=12345|B=|");
    doc.Clear();
    doc.ParseText(text, 0);
    EXPECT_EQ(Dump(doc), "");
}

TEST(IniBound, CarriageReturnsCountAgainstTheBound) {
    IniDocument doc(TestPlatform());
    doc.ParseText(L"[S]\r\nk=\r\r\r123", 11);  // 5 + "k=" + 3 CRs + "1"
    EXPECT_EQ(Dump(doc), "[S]k=1|");
}

TEST(IniBound, NulEndsTheTextBeforeTheBound) {
    IniDocument doc(TestPlatform());
    const wchar_t text[] = L"[S]\nk=ab\0c=d\n";
    doc.ParseText(text, sizeof(text) / sizeof(wchar_t));
    EXPECT_EQ(Dump(doc), "[S]k=ab|");
}

// Lines exactly as the reading rule gives them: every character is counted
// before it is looked at, a U+0000 ends the text unconsumed, CRs are dropped.
std::vector<std::wstring> ReferenceLines(const std::wstring& text, std::size_t bound) {
    std::vector<std::wstring> lines;
    std::size_t pos = 0, consumed = 0;
    for (;;) {
        std::wstring line;
        bool ended = false;
        if (++consumed > bound) {
            ended = true;
        } else {
            for (;;) {
                const wchar_t c = pos < text.size() ? text[pos] : 0;
                if (c == 0) { ended = true; break; }
                ++pos;
                if (c == L'\n') break;
                if (c != L'\r') line.push_back(c);
                if (++consumed > bound) { ended = true; break; }
            }
        }
        if (ended && line.empty()) return lines;
        lines.push_back(line);
        if (ended) return lines;
    }
}

TEST(IniBound, MatchesTheCharacterByCharacterRule) {
    std::mt19937 random(20240611);
    const wchar_t alphabet[] = {L'[', L']', L'a', L'B', L'=', L'\r', L'\n', L' ', L';', L'"', L'\t', 0};
    for (int round = 0; round < 3000; ++round) {
        std::wstring text;
        const int length = static_cast<int>(random() % 40);
        for (int i = 0; i < length; ++i) {
            const wchar_t c = alphabet[random() % (sizeof(alphabet) / sizeof(wchar_t))];
            if (c != 0 || random() % 8 == 0) text.push_back(c);
        }
        const std::size_t bound = random() % (text.size() + 3);

        IniDocument bounded(TestPlatform());
        bounded.ParseText(text.c_str(), bound);

        std::wstring joined;
        for (const std::wstring& line : ReferenceLines(text, bound)) joined += line + L"\n";
        IniDocument reference(TestPlatform());
        reference.ParseText(joined.c_str(), joined.size());

        ASSERT_EQ(Dump(bounded), Dump(reference)) << "round " << round << ", bound " << bound;
    }
}

}  // namespace
