#include "platform/list_box_model.h"

#include <algorithm>

int ListBoxModel::Add(const CString& text) {
    auto at = m_lines.end();
    if (m_sorted) {
        at = std::upper_bound(m_lines.begin(), m_lines.end(), text,
                              [](const CString& a, const CString& b) { return a.CompareNoCase(b.Str()) < 0; });
    }
    const auto index = at - m_lines.begin();
    m_lines.insert(at, text);
    return static_cast<int>(index);
}

int ListBoxModel::FindExact(int startAfter, const CString& text) const {
    const int count = Count();
    if (count == 0) return -1;
    // A start outside the list searches from the top, as the list box does.
    const int first = startAfter < -1 || startAfter >= count ? 0 : startAfter + 1;
    for (int step = 0; step < count; ++step) {
        const int index = (first + step) % count;
        if (m_lines[static_cast<std::size_t>(index)].CompareNoCase(text.Str()) == 0) return index;
    }
    return -1;
}

int ListBoxModel::Delete(int index) {
    if (index < 0 || index >= Count()) return -1;
    m_lines.erase(m_lines.begin() + index);
    return Count();
}

CString ListBoxModel::Text(int index) const {
    if (index < 0 || index >= Count()) return CString();
    return m_lines[static_cast<std::size_t>(index)];
}
