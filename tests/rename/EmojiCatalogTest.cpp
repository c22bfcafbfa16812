#include "ui/EmojiCatalog.h"

#include <QList>
#include <QString>
#include <QTextBoundaryFinder>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace quillbar {
namespace {

// Each entry's scalars in hexadecimal, entries separated by "; ".
std::string scalarsOf(const std::vector<std::string>& entries) {
    std::string result;
    for (const std::string& entry : entries) {
        if (!result.empty())
            result += "; ";
        std::string scalars;
        for (char32_t c : QString::fromStdString(entry).toUcs4()) {
            if (!scalars.empty())
                scalars += ' ';
            scalars += QString::number(static_cast<uint>(c), 16)
                           .toUpper()
                           .rightJustified(4, u'0')
                           .toStdString();
        }
        result += scalars;
    }
    return result;
}

int graphemeCount(const std::string& text) {
    const QString string = QString::fromStdString(text);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, string);
    int count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

TEST(EmojiCatalogTest, SixGroupsOf140EmojiWithTheirExactScalars) {
    const struct {
        const char* name;
        const char* scalars;
    } expected[] = {
        {"Work", "1F4BB; 1F5A5 FE0F; 2328 FE0F; 1F5B1 FE0F; 1F4F1; 1F5C2 FE0F; 1F4C1; 1F4C2; "
                 "1F4C4; 1F4CB; 1F4CA; 1F4C8; 1F4C9; 1F9FE; 1F4DD; 270F FE0F; 1F58A FE0F; 1F4D0; "
                 "1F4CC; 1F4CE; 1F5D2 FE0F; 1F4C5; 1F4C6; 23F0; 23F1 FE0F; 1F516; 1F3F7 FE0F; "
                 "1F4BC; 1F5C4 FE0F; 1F5A8 FE0F"},
        {"Communication", "1F4EC; 1F4E8; 1F4E7; 2709 FE0F; 1F4EE; 1F4AC; 1F5E8 FE0F; 1F4DE; "
                          "260E FE0F; 1F4E3; 1F4E2; 1F514; 1F4E1; 1F310; 1F517; 1F4F6; 1F4A1; "
                          "2753; 2757; 2705"},
        {"Building", "1F6E0 FE0F; 1F527; 1F528; 2699 FE0F; 1F9F0; 1FA9B; 1F9EA; 1F52C; 1F9EC; "
                     "2697 FE0F; 1F41B; 1F680; 1F9E9; 1F510; 1F511; 1F5DD FE0F; 1F4E6; "
                     "1F3D7 FE0F; 1F9F1; 26A1"},
        {"Creative", "1F3A8; 1F58C FE0F; 1F58D FE0F; 2712 FE0F; 1F4F7; 1F4F8; 1F3A5; 1F3AC; "
                     "1F3B5; 1F3A7; 1F3B9; 1F3B8; 1F5BC FE0F; 2728; 1F308; 1F3AF; 1FA84; 1F9E0; "
                     "1F4AD; 1F52E"},
        {"Life", "1F3E0; 1F3E1; 2615; 1F375; 1F34E; 1F957; 1F3C3; 1F9D8; 1F6CF FE0F; 1F6D2; "
                 "1F4B0; 1F4B3; 1F381; 1F389; 1F436; 1F431; 1F331; 1F33F; 1F31E; 1F319"},
        {"Marks", "1F534; 1F7E0; 1F7E1; 1F7E2; 1F535; 1F7E3; 26AB; 26AA; 1F7E4; 1F536; 2B50; "
                  "2764 FE0F; 1F9E1; 1F49B; 1F49A; 1F499; 1F49C; 1F5A4; 1F90D; 1F90E; "
                  "0031 FE0F 20E3; 0032 FE0F 20E3; 0033 FE0F 20E3; 0034 FE0F 20E3; "
                  "0035 FE0F 20E3; 0036 FE0F 20E3; 0037 FE0F 20E3; 0038 FE0F 20E3; "
                  "0039 FE0F 20E3; 1F51F"},
    };
    const auto& groups = EmojiCatalog::groups();
    ASSERT_EQ(groups.size(), std::size(expected));
    std::size_t total = 0;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        EXPECT_EQ(groups[i].name, expected[i].name);
        EXPECT_EQ(scalarsOf(groups[i].emoji), expected[i].scalars) << groups[i].name;
        total += groups[i].emoji.size();
    }
    EXPECT_EQ(total, 140u);
    EXPECT_EQ(&EmojiCatalog::groups(), &groups); // built once
}

TEST(EmojiCatalogTest, EveryEntryIsOneDistinctCharacter) {
    std::set<std::string> seen;
    for (const auto& group : EmojiCatalog::groups()) {
        for (const std::string& entry : group.emoji) {
            EXPECT_EQ(graphemeCount(entry), 1) << scalarsOf({entry});
            EXPECT_TRUE(seen.insert(entry).second) << scalarsOf({entry});
        }
    }
}

} // namespace
} // namespace quillbar
