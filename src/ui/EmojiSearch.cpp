// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/EmojiSearch.h"

#include "ui/EmojiCatalog.h"
#include "ui/EmojiName.h"

#include <unicode/uchar.h>

#include <QRegularExpression>

#include <algorithm>
#include <set>
#include <vector>

namespace quillbar::EmojiSearch {

namespace {
// The words people look for that the character names do not hold, keyed by the emoji's first
// scalar; kept to the catalogue and a few common neighbours.
struct Keywords {
    char32_t scalar;
    const char* words;
};

constexpr Keywords keywordTable[] = {
    {0x1F4BB, "computer pc code"},
    {0x1F5A5, "computer monitor screen"},
    {0x2328, "typing"},
    {0x1F4F1, "phone smartphone cell"},
    {0x1F4C1, "folder files"},
    {0x1F4C2, "folder files"},
    {0x1F4C4, "document page"},
    {0x1F4CB, "list todo"},
    {0x1F4CA, "chart stats graph"},
    {0x1F4C8, "growth graph"},
    {0x1F4C9, "graph"},
    {0x1F9FE, "invoice bill"},
    {0x1F4DD, "note notes write"},
    {0x270F, "write"},
    {0x1F4C5, "date calendar"},
    {0x1F4C6, "date calendar"},
    {0x23F0, "clock time"},
    {0x23F1, "timer time"},
    {0x1F4BC, "work job office"},
    {0x1F4EC, "mail email inbox"},
    {0x1F4E8, "mail email"},
    {0x1F4E7, "mail email"},
    {0x2709, "mail letter"},
    {0x1F4AC, "chat message talk"},
    {0x1F5E8, "chat message talk"},
    {0x1F4DE, "phone call"},
    {0x260E, "phone call"},
    {0x1F514, "notification alert"},
    {0x1F310, "web internet browser world"},
    {0x1F517, "url"},
    {0x1F4A1, "idea light"},
    {0x2705, "done check ok"},
    {0x1F6E0, "tools build"},
    {0x1F527, "tool fix spanner"},
    {0x1F528, "tool build"},
    {0x2699, "settings cog config"},
    {0x1F9F0, "tools"},
    {0x1F9EA, "test science lab"},
    {0x1F52C, "science research"},
    {0x1F41B, "debug insect"},
    {0x1F680, "launch deploy space"},
    {0x1F9E9, "puzzle plugin"},
    {0x1F510, "secure security"},
    {0x1F511, "password security"},
    {0x1F4E6, "box parcel"},
    {0x1F3D7, "build"},
    {0x26A1, "lightning power fast zap"},
    {0x1F3A8, "art paint design"},
    {0x1F4F7, "photo"},
    {0x1F4F8, "photo"},
    {0x1F3A5, "video film"},
    {0x1F3AC, "film movie video"},
    {0x1F3B5, "music song"},
    {0x1F3A7, "music audio headphones"},
    {0x1F3B9, "piano music"},
    {0x1F3B8, "rock music"},
    {0x1F918, "rock metal"},
    {0x1FAA8, "stone boulder"},
    {0x2728, "magic new shiny"},
    {0x1F3AF, "target goal focus"},
    {0x1FA84, "magic"},
    {0x1F9E0, "think mind smart"},
    {0x1F4AD, "think thought"},
    {0x1F3E0, "home"},
    {0x1F3E1, "home garden"},
    {0x2615, "coffee tea break"},
    {0x1F375, "tea"},
    {0x1F34E, "fruit food"},
    {0x1F957, "salad food lunch"},
    {0x1F3C3, "run sport exercise"},
    {0x1F9D8, "yoga meditate"},
    {0x1F6CF, "sleep"},
    {0x1F6D2, "shopping cart"},
    {0x1F4B0, "money finance"},
    {0x1F4B3, "money payment bank"},
    {0x1F381, "gift"},
    {0x1F389, "party celebrate"},
    {0x1F436, "pet"},
    {0x1F431, "pet"},
    {0x1F331, "plant grow"},
    {0x1F33F, "plant"},
    {0x1F31E, "day"},
    {0x1F319, "night"},
    {0x2B50, "favourite favorite"},
    {0x2764, "love red"},
    {0x1F3AE, "game gaming"},
    {0x1F4DA, "study read library"},
    {0x1F4FA, "tv"},
};

struct Candidate {
    QString emoji;
    QStringList words;
};

QStringList wordsOf(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[\\s-]+"));
    return text.toCaseFolded().split(separators, Qt::SkipEmptyParts);
}

Candidate candidate(const QString& emoji) {
    Candidate result{emoji, wordsOf(EmojiName::of(emoji))};
    const char32_t first = emoji.isEmpty() ? 0 : emoji.toUcs4().front();
    for (const Keywords& entry : keywordTable)
        if (entry.scalar == first)
            result.words += wordsOf(QString::fromLatin1(entry.words));
    return result;
}

// Every single character that shows as an emoji by itself, apart from skin tones and the halves
// of flags, which mean nothing alone.
bool standsAlone(char32_t c) {
    return u_hasBinaryProperty(UChar32(c), UCHAR_EMOJI_PRESENTATION) &&
           !u_hasBinaryProperty(UChar32(c), UCHAR_EMOJI_MODIFIER) &&
           !u_hasBinaryProperty(UChar32(c), UCHAR_REGIONAL_INDICATOR);
}

std::vector<Candidate> buildCandidates() {
    std::vector<Candidate> result;
    std::set<char32_t> seen;
    for (const EmojiCatalog::Group& group : EmojiCatalog::groups()) {
        for (const std::string& entry : group.emoji) {
            const QString emoji = QString::fromStdString(entry);
            result.push_back(candidate(emoji));
            seen.insert(emoji.toUcs4().front());
        }
    }
    for (char32_t c = 0x2300; c <= 0x1FAFF; ++c)
        if (standsAlone(c) && !seen.contains(c))
            result.push_back(candidate(QString::fromUcs4(&c, 1)));
    return result;
}

const std::vector<Candidate>& candidates() {
    static const std::vector<Candidate> all = buildCandidates();
    return all;
}

// How well the candidate's words cover the query's: -1 when one query word starts none of them,
// else how many query words equal one of them.
int score(const Candidate& candidate, const QStringList& query) {
    int whole = 0;
    for (const QString& word : query) {
        bool starts = false;
        bool equals = false;
        for (const QString& own : candidate.words) {
            starts = starts || own.startsWith(word);
            equals = equals || own == word;
        }
        if (!starts)
            return -1;
        whole += equals ? 1 : 0;
    }
    return whole;
}
} // namespace

QStringList find(const QString& query, int limit) {
    const QStringList words = wordsOf(query.left(maxQueryLength));
    if (words.isEmpty() || limit <= 0)
        return {};
    std::vector<std::pair<int, const Candidate*>> found;
    for (const Candidate& c : candidates()) {
        const int s = score(c, words);
        if (s >= 0)
            found.emplace_back(s, &c);
    }
    std::ranges::stable_sort(found, std::ranges::greater{},
                             &std::pair<int, const Candidate*>::first);
    QStringList result;
    for (const auto& [s, c] : found) {
        if (result.size() == limit)
            break;
        result << c->emoji;
    }
    return result;
}

} // namespace quillbar::EmojiSearch
