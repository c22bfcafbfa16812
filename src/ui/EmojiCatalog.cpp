// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/EmojiCatalog.h"

#include <QtGlobal>

#include <initializer_list>

namespace quillbar::EmojiCatalog {

namespace {
// One entry as its Unicode scalar values; the strings are built from these so that invisible
// selectors and keycap marks are explicit.
using Scalars = std::initializer_list<char32_t>;

std::string utf8(Scalars scalars) {
    std::string text;
    for (char32_t c : scalars) {
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            text += static_cast<char>(0xE0 | (c >> 12));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | (c >> 18));
            text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

Group group(std::string name, std::initializer_list<Scalars> entries) {
    Group result{std::move(name), {}};
    result.emoji.reserve(entries.size());
    for (const Scalars& entry : entries)
        result.emoji.push_back(utf8(entry));
    return result;
}

// Colours and hearts, then the keycaps 1 to 9 and ten.
Group marks() {
    const std::initializer_list<Scalars> colours = {
        {0x1F534}, {0x1F7E0}, {0x1F7E1}, {0x1F7E2}, {0x1F535},        {0x1F7E3}, {0x26AB},
        {0x26AA},  {0x1F7E4}, {0x1F536}, {0x2B50},  {0x2764, 0xFE0F}, {0x1F9E1}, {0x1F49B},
        {0x1F49A}, {0x1F499}, {0x1F49C}, {0x1F5A4}, {0x1F90D},        {0x1F90E}};
    Group result = group(QT_TRANSLATE_NOOP("EmojiCatalog", "Marks"), colours);
    for (char32_t digit = U'1'; digit <= U'9'; ++digit)
        result.emoji.push_back(utf8({digit, 0xFE0F, 0x20E3}));
    result.emoji.push_back(utf8({0x1F51F}));
    return result;
}

std::vector<Group> build() {
    return {
        group(QT_TRANSLATE_NOOP("EmojiCatalog", "Work"),
              {{0x1F4BB},         {0x1F5A5, 0xFE0F}, {0x2328, 0xFE0F},  {0x1F5B1, 0xFE0F},
               {0x1F4F1},         {0x1F5C2, 0xFE0F}, {0x1F4C1},         {0x1F4C2},
               {0x1F4C4},         {0x1F4CB},         {0x1F4CA},         {0x1F4C8},
               {0x1F4C9},         {0x1F9FE},         {0x1F4DD},         {0x270F, 0xFE0F},
               {0x1F58A, 0xFE0F}, {0x1F4D0},         {0x1F4CC},         {0x1F4CE},
               {0x1F5D2, 0xFE0F}, {0x1F4C5},         {0x1F4C6},         {0x23F0},
               {0x23F1, 0xFE0F},  {0x1F516},         {0x1F3F7, 0xFE0F}, {0x1F4BC},
               {0x1F5C4, 0xFE0F}, {0x1F5A8, 0xFE0F}}),
        group(QT_TRANSLATE_NOOP("EmojiCatalog", "Communication"),
              {{0x1F4EC}, {0x1F4E8},         {0x1F4E7}, {0x2709, 0xFE0F}, {0x1F4EE},
               {0x1F4AC}, {0x1F5E8, 0xFE0F}, {0x1F4DE}, {0x260E, 0xFE0F}, {0x1F4E3},
               {0x1F4E2}, {0x1F514},         {0x1F4E1}, {0x1F310},        {0x1F517},
               {0x1F4F6}, {0x1F4A1},         {0x2753},  {0x2757},         {0x2705}}),
        group(QT_TRANSLATE_NOOP("EmojiCatalog", "Building"),
              {{0x1F6E0, 0xFE0F}, {0x1F527}, {0x1F528},         {0x2699, 0xFE0F}, {0x1F9F0},
               {0x1FA9B},         {0x1F9EA}, {0x1F52C},         {0x1F9EC},        {0x2697, 0xFE0F},
               {0x1F41B},         {0x1F680}, {0x1F9E9},         {0x1F510},        {0x1F511},
               {0x1F5DD, 0xFE0F}, {0x1F4E6}, {0x1F3D7, 0xFE0F}, {0x1F9F1},        {0x26A1}}),
        group(QT_TRANSLATE_NOOP("EmojiCatalog", "Creative"),
              {{0x1F3A8}, {0x1F58C, 0xFE0F}, {0x1F58D, 0xFE0F}, {0x2712, 0xFE0F}, {0x1F4F7},
               {0x1F4F8}, {0x1F3A5},         {0x1F3AC},         {0x1F3B5},        {0x1F3A7},
               {0x1F3B9}, {0x1F3B8},         {0x1F5BC, 0xFE0F}, {0x2728},         {0x1F308},
               {0x1F3AF}, {0x1FA84},         {0x1F9E0},         {0x1F4AD},        {0x1F52E}}),
        group(QT_TRANSLATE_NOOP("EmojiCatalog", "Life"),
              {{0x1F3E0}, {0x1F3E1},         {0x2615},  {0x1F375}, {0x1F34E}, {0x1F957}, {0x1F3C3},
               {0x1F9D8}, {0x1F6CF, 0xFE0F}, {0x1F6D2}, {0x1F4B0}, {0x1F4B3}, {0x1F381}, {0x1F389},
               {0x1F436}, {0x1F431},         {0x1F331}, {0x1F33F}, {0x1F31E}, {0x1F319}}),
        marks(),
    };
}

} // namespace

const std::vector<Group>& groups() {
    static const std::vector<Group> catalog = build();
    return catalog;
}

} // namespace quillbar::EmojiCatalog
