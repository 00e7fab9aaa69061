// Encodings, the size cap, and bad input that must neither crash nor hang.
#include <chrono>
#include <random>

#include "ini_test_util.h"

#ifdef _WIN32
#include <windows.h>
#endif

using loctest::Dump;
using loctest::IniFileTest;
using loctest::Utf16Le;

namespace {

class IniEncoding : public IniFileTest {};
class IniSizeCap : public IniFileTest {};
class IniBadInput : public IniFileTest {};

// The 8-bit form of `text` in the ANSI code page: on Windows what the system
// makes of it, on the host the Windows-1252 stand-in (Latin-1 letters only).
bool AnsiBytes(const std::wstring& text, std::string& bytes) {
#ifdef _WIN32
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, &lossy);
    bytes.assign(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], n, nullptr, &lossy);
    return !lossy;
#else
    bytes.clear();
    for (wchar_t c : text) {
        if (c > 0xFF || (c >= 0x80 && c <= 0x9F)) return false;
        bytes.push_back(static_cast<char>(c));
    }
    return true;
#endif
}

// ----------------------------------------------------------------- encodings

TEST_F(IniEncoding, Utf16WithCrLfAndAnsiWithLfGiveTheSameDocument) {
    const std::wstring lines[] = {L"; Fran\xE7" L"ais", L"[GENERAL]", L"CODEPAGE=1252", L"[TEXT]",
                                  L"APP_TITLE=Arr\xEAt programm\xE9", L"TEXT_IDCANCEL = Annuler ; bouton",
                                  L"[MENU]", L"MENUSTR_HELP_PAGE=&Aide"};
    std::wstring crlf, lf;
    for (const auto& line : lines) {
        crlf += line + L"\r\n";
        lf += line + L"\n";
    }
    ASSERT_TRUE(LoadBytes(Utf16Le(crlf), "utf16.ini"));
    const std::string fromUtf16 = Dump(doc);
    std::string ansi;
    if (!AnsiBytes(lf, ansi)) GTEST_SKIP() << "the ANSI code page cannot hold these letters";
    ASSERT_TRUE(LoadBytes(ansi, "ansi.ini"));
    EXPECT_EQ(Dump(doc), fromUtf16);
    EXPECT_EQ(Text(L"APP_TITLE"), L"Arr\xEAt programm\xE9");
    EXPECT_EQ(doc.GetGeneralInt(L"CODEPAGE"), 1252u);
}

TEST_F(IniEncoding, Utf8MarkBecomesPartOfTheFirstLine) {
    ASSERT_TRUE(LoadBytes("\xEF\xBB\xBF[TEXT]\nA=1\n[MENU]\nB=2\n"));
    EXPECT_EQ(doc.SectionCount(), 1u);
    EXPECT_EQ(doc.SectionName(0), L"MENU");
    EXPECT_EQ(Text(L"A"), L"<absent>");
}

TEST_F(IniEncoding, BigEndianMarkIsNotRecognised) {
    // FE FF is read as 8-bit text: the zero bytes end it after the mark.
    ASSERT_TRUE(LoadBytes(std::string("\xFE\xFF\0[\0S", 6)));
    EXPECT_EQ(doc.SectionCount(), 0u);
}

TEST_F(IniEncoding, ZeroByteEndsEightBitText) {
    ASSERT_TRUE(LoadBytes(std::string("[TEXT]\nA=1\nB=x\0y\nC=3\n", 21)));
    EXPECT_EQ(Dump(doc), "[TEXT]A=1|B=x|");
}

TEST_F(IniEncoding, NulCharacterEndsUtf16Text) {
    ASSERT_TRUE(LoadBytes(Utf16Le(std::wstring(L"[TEXT]\r\nA=1\r\nB=x\0y\r\nC=3\r\n", 25))));
    EXPECT_EQ(Dump(doc), "[TEXT]A=1|B=x|");
}

TEST_F(IniEncoding, OddFinalByteOfUtf16IsIgnored) {
    // Without the bound, the stray 'z' and the zero after it would read as
    // one more character.
    ASSERT_TRUE(LoadBytes(Utf16Le(L"[TEXT]\nA=xy") + "z"));
    EXPECT_EQ(Text(L"A"), L"xy");
}

TEST_F(IniEncoding, LoneSurrogatesAreKeptAsTheyStand) {
    ASSERT_TRUE(LoadBytes(Utf16Le(std::wstring(L"[TEXT]\nA=") + wchar_t(0xD800) + L"x" + wchar_t(0xDC00) +
                                  L"\n" + wchar_t(0xDBFF) + L"=v\n")));
    EXPECT_EQ(Text(L"A"), std::wstring() + wchar_t(0xD800) + L"x" + wchar_t(0xDC00));
    EXPECT_EQ(Text(std::wstring(1, wchar_t(0xDBFF))), L"v");
}

TEST_F(IniEncoding, EmptyOneByteAndMarkOnlyFilesLoadEmpty) {
    EXPECT_TRUE(LoadBytes(""));
    EXPECT_EQ(doc.SectionCount(), 0u);
    EXPECT_TRUE(LoadBytes("["));
    EXPECT_EQ(doc.SectionCount(), 0u);
    EXPECT_TRUE(LoadBytes("\xFF\xFE"));
    EXPECT_EQ(doc.SectionCount(), 0u);
    EXPECT_TRUE(LoadBytes("\xFF\xFE["));
    EXPECT_EQ(doc.SectionCount(), 0u);
}

TEST_F(IniEncoding, MissingFileOrFolderFails) {
    EXPECT_FALSE(doc.LoadFile(dir.File("nothing-here.ini")));
    EXPECT_FALSE(doc.LoadFile(dir.Path().wstring()));
    EXPECT_FALSE(doc.LoadFile(L""));
}

#ifndef _WIN32
TEST_F(IniEncoding, HostAnsiStandInIsWindows1252) {
    ASSERT_TRUE(LoadBytes("[TEXT]\nA=\x80\x85\x9F\x81\xE9\n"));
    EXPECT_EQ(Text(L"A"), L"\x20AC\x2026\x0178\x0081\xE9");
}
#else
TEST_F(IniEncoding, EightBitTextFollowsTheAnsiCodePage) {
    const char bytes[] = "[TEXT]\nA=\xE9\x80\n";
    wchar_t expected[8] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xE9\x80", -1, expected, 8), 3);
    ASSERT_TRUE(LoadBytes(bytes));
    EXPECT_EQ(Text(L"A"), std::wstring(expected));
}
#endif

// ------------------------------------------------------------------ size cap

std::string FileOfSize(std::size_t size) {
    std::string text = "[TEXT]\nFIRST=1\n";
    while (text.size() + 40 < size) text += "; padding padding padding padding pad\n";
    text += "LAST=";
    text.append(size - text.size(), 'z');
    return text;
}

TEST_F(IniSizeCap, ExactlyOneMillionBytesLoads) {
    const std::string text = FileOfSize(1000000);
    ASSERT_EQ(text.size(), 1000000u);
    ASSERT_TRUE(LoadBytes(text));
    EXPECT_EQ(Text(L"FIRST"), L"1");
    EXPECT_EQ(Text(L"LAST").size(), 1000000u - text.rfind('=') - 1);
}

TEST_F(IniSizeCap, OneByteMoreFailsAndLeavesTheDocumentEmpty) {
    ASSERT_TRUE(LoadBytes("[TEXT]\nA=1\n", "small.ini"));
    EXPECT_FALSE(LoadBytes(FileOfSize(1000001), "big.ini"));
    EXPECT_EQ(doc.SectionCount(), 0u);
    EXPECT_EQ(Text(L"FIRST"), L"<absent>");
}

TEST_F(IniSizeCap, CapCountsTheMarkToo) {
    std::wstring text = L"[TEXT]\nA=";
    text.append(499999 - text.size(), L'q');
    ASSERT_EQ(Utf16Le(text).size(), 1000000u);
    EXPECT_TRUE(LoadBytes(Utf16Le(text)));
    EXPECT_EQ(Text(L"A").size(), 499999u - 9u);
    EXPECT_FALSE(LoadBytes(Utf16Le(text + L"q")));
}

// ----------------------------------------------------------------- bad input

TEST_F(IniBadInput, RandomBytesLoadWithoutHarm) {
    std::mt19937 random(77);
    for (int round = 0; round < 300; ++round) {
        std::string bytes(random() % 5000, '\0');
        for (char& b : bytes) b = static_cast<char>(random() % 8 == 0 ? "[]=;\"\r\n"[random() % 7] : random());
        if (round % 3 == 0) bytes.insert(0, "\xFF\xFE");
        ASSERT_TRUE(LoadBytes(bytes)) << "round " << round;
        for (std::size_t s = 0; s < doc.SectionCount(); ++s) {
            EXPECT_FALSE(doc.SectionName(s).empty());
            for (std::size_t e = 0; e < doc.EntryCount(s); ++e) EXPECT_FALSE(doc.EntryKey(s, e).empty());
        }
    }
}

TEST_F(IniBadInput, LineOf900000Characters) {
    std::string text = "[TEXT]\nLONG=";
    text.append(900000, 'w');
    text += "\nAFTER=yes\n";
    ASSERT_TRUE(LoadBytes(text));
    EXPECT_EQ(Text(L"LONG"), std::wstring(900000, L'w'));
    EXPECT_EQ(Text(L"AFTER"), L"yes");
}

TEST_F(IniBadInput, HundredThousandSections) {
    std::string text;
    for (int i = 0; i < 100000; ++i) text += "[" + std::to_string(i) + "]\nk\n";
    ASSERT_LE(text.size(), 1000000u);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(LoadBytes(text));
    EXPECT_EQ(doc.SectionCount(), 100000u);
    EXPECT_EQ(doc.SectionName(77777), L"77777");
    std::wstring value = L"junk";
    EXPECT_EQ(doc.GetString(L"99999", L"K"), L"");
    EXPECT_EQ(doc.EntryCount(99999), 1u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST_F(IniBadInput, HundredThousandRepeatedHeaders) {
    std::string text;
    for (int i = 0; i < 100000; ++i) text += (i % 2 ? "[A]\nx=" : "[a]\ny=") + std::to_string(i % 10) + "\n";
    ASSERT_LE(text.size(), 1000000u);
    ASSERT_TRUE(LoadBytes(text));
    ASSERT_EQ(doc.SectionCount(), 1u);
    EXPECT_EQ(doc.EntryCount(0), 100000u);
    EXPECT_EQ(doc.GetString(L"A", L"X"), L"1");
    EXPECT_EQ(doc.GetString(L"A", L"Y"), L"0");
}

TEST_F(IniBadInput, UnterminatedQuotesAndBracketsEverywhere) {
    std::string text = "[TEXT]\n";
    for (int i = 0; i < 20000; ++i) text += "\"[\"=[;\"\n[[[\n]]]=\n";
    ASSERT_TRUE(LoadBytes(text));
    EXPECT_EQ(Text(L"["), L"[");
    EXPECT_EQ(doc.GetString(L"TEXT", L"]]]"), L"");
}

}  // namespace
