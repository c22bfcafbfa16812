// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/UpdateVersion.h"

#include <QList>

namespace quillbar {

namespace {

struct Component {
    QStringView digits; // without leading zeros; empty means 0
    QStringView suffix; // whatever follows the digits
};

Component split(QStringView text) {
    qsizetype end = 0;
    while (end < text.size() && text[end].isDigit() && text[end].unicode() < 128) {
        ++end;
    }
    QStringView digits = text.first(end);
    while (!digits.isEmpty() && digits.front() == u'0') {
        digits = digits.sliced(1);
    }
    return {digits, text.sliced(end)};
}

// Compares digit strings by length first, then text, so any number of digits works without
// overflow.
int compareNumbers(QStringView a, QStringView b) {
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    return a.compare(b);
}

int compareComponents(const Component& a, const Component& b) {
    if (const int byNumber = compareNumbers(a.digits, b.digits); byNumber != 0) {
        return byNumber;
    }
    if (a.suffix.isEmpty() != b.suffix.isEmpty()) {
        return a.suffix.isEmpty() ? 1 : -1; // a pre-release ranks below its release
    }
    const int bySuffix = a.suffix.compare(b.suffix, Qt::CaseInsensitive);
    return bySuffix < 0 ? -1 : (bySuffix > 0 ? 1 : 0);
}

} // namespace

int UpdateVersion::compare(QStringView a, QStringView b) {
    const QList<QStringView> left = a.trimmed().split(u'.');
    const QList<QStringView> right = b.trimmed().split(u'.');
    const qsizetype count = std::max(left.size(), right.size());
    for (qsizetype i = 0; i < count; ++i) {
        const Component l = i < left.size() ? split(left[i]) : Component{};
        const Component r = i < right.size() ? split(right[i]) : Component{};
        if (const int order = compareComponents(l, r); order != 0) {
            return order;
        }
    }
    return 0;
}

} // namespace quillbar
