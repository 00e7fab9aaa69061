// A document loaded from bytes, and a compact dump of what it holds.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "localisation/ini_document.h"
#include "loc_test_support.h"

namespace loctest {

// "[name]key=value|key=value|" per section, in order; control characters and
// anything outside ASCII shown as \u{hex}.
inline std::string Dump(const IniDocument& doc) {
    auto show = [](const std::wstring& text) {
        std::string out;
        for (wchar_t c : text) {
            const unsigned u = static_cast<unsigned>(c);
            if (u >= 0x20 && u < 0x7F) {
                out.push_back(static_cast<char>(u));
            } else {
                char buf[16];
                std::snprintf(buf, sizeof(buf), "\\u{%x}", u);
                out += buf;
            }
        }
        return out;
    };
    std::string out;
    for (std::size_t s = 0; s < doc.SectionCount(); ++s) {
        out += "[" + show(doc.SectionName(s)) + "]";
        for (std::size_t e = 0; e < doc.EntryCount(s); ++e) {
            out += show(doc.EntryKey(s, e)) + "=" + show(doc.EntryValue(s, e)) + "|";
        }
    }
    return out;
}

class IniFileTest : public ::testing::Test {
protected:
    IniFileTest() : doc(TestPlatform()) {}

    // Writes `bytes` to a file and loads it.
    bool LoadBytes(const std::string& bytes, const std::string& name = "test.ini") {
        return doc.LoadFile(dir.Write(name, bytes));
    }
    // Loads 8-bit text (ASCII here) with LF line ends exactly as written.
    std::string Parse(const std::string& text) {
        EXPECT_TRUE(LoadBytes(text));
        return Dump(doc);
    }
    std::wstring Text(const std::wstring& key) {
        std::wstring value;
        return doc.GetTextValue(key, value) ? value : L"<absent>";
    }

    TempDir dir;
    IniDocument doc;
};

}  // namespace loctest
