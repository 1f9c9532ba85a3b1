// The lines of a list box kept in memory, for hosts without real controls
// (the terminal and the tests' recording host): sorted insertion as a
// sorted list box does it and the exact search without letter case.
#pragma once

#include <vector>

#include "platform/afx.h"

class ListBoxModel {
public:
    explicit ListBoxModel(bool sorted = true) : m_sorted(sorted) {}

    void Reset() { m_lines.clear(); }
    // Sorted: before the first line that compares greater without letter
    // case (so equal lines keep the order they came in); else at the end.
    int Add(const CString& text);
    // The first line after `startAfter` (-1: from the top), going round the
    // list once, equal to `text` without regard to case; -1 when none.
    int FindExact(int startAfter, const CString& text) const;
    // Returns the lines left, or -1 for an index out of range.
    int Delete(int index);
    int Count() const { return static_cast<int>(m_lines.size()); }
    CString Text(int index) const;
    const std::vector<CString>& Lines() const { return m_lines; }

private:
    bool m_sorted;
    std::vector<CString> m_lines;
};
