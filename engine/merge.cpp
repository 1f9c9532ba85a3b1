#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "engine/working_data.h"

#include "devlib/tovrel.h"
#include "engine/profile_writer.h"
#include "platform/text.h"
#include "profile/header_codec.h"
#include "profile/tables.h"
#include "res/resource.h"

namespace {

enum class MergeResult { Merged, NoMemory, CountOverflow };

bool SameText(const char16_t (&a)[kTextUnits], const char16_t (&b)[kTextUnits]) {
    return CompareNoCase(FieldText(a), FieldText(b)) == 0;
}

// What each table matches on, what a match takes over, and the mark that
// records a consumed script row.
struct NamedRule {
    using Row = NamedEntry;
    static bool Matches(const Row& p, const Row& s) { return SameText(p.name, s.name); }
    // The profile row keeps its own name (letter case included) and id.
    static void Take(Row& p, const Row& s) {
        p.param1 = s.param1;
        p.param2 = s.param2;
    }
    static bool IsConsumed(const Row& s) { return s.id == kNamedConsumedMark; }
    static void Mark(Row& s) { s.id = kNamedConsumedMark; }
};

struct ColorTypeRule {
    using Row = ColorTypeEntry;
    static bool Matches(const Row& p, const Row& s) { return p.typeKey == s.typeKey; }
    static void Take(Row& p, const Row& s) { p = s; }
    static bool IsConsumed(const Row& s) { return s.typeCode == kColorTypeConsumedMark; }
    static void Mark(Row& s) { s.typeCode = kColorTypeConsumedMark; }
};

struct BitsPerPixelRule {
    using Row = BitsPerPixelEntry;
    static bool Matches(const Row& p, const Row& s) { return p.bppKey == s.bppKey; }
    static void Take(Row& p, const Row& s) { p = s; }
    static bool IsConsumed(const Row& s) { return s.bppKey == kBitsPerPixelConsumedMark; }
    static void Mark(Row& s) { s.bppKey = kBitsPerPixelConsumedMark; }
};

struct ResolutionRule {
    using Row = ResolutionEntry;
    static bool Matches(const Row& p, const Row& s) {
        return p.res1 == s.res1 && p.res2 == s.res2 && p.res3 == s.res3 && p.res4 == s.res4;
    }
    static void Take(Row& p, const Row& s) { p = s; }
    static bool IsConsumed(const Row& s) { return s.res1 == kResolutionConsumedMark; }
    static void Mark(Row& s) { s.res1 = kResolutionConsumedMark; }
};

struct CorrectionRule {
    using Row = CorrectionEntry;
    // level1 is no part of the key.
    static bool Matches(const Row& p, const Row& s) {
        return p.key1 == s.key1 && p.key2 == s.key2 && p.level2 == s.level2 && SameText(p.name1, s.name1) &&
               SameText(p.name2, s.name2);
    }
    static void Take(Row& p, const Row& s) { std::memcpy(&p, &s, sizeof p); }
    static bool IsConsumed(const Row& s) { return s.key1 == kCorrectionConsumedMark; }
    static void Mark(Row& s) { s.key1 = kCorrectionConsumedMark; }
};

// Folds the script's rows of one table into the header: matched profile rows
// take the script's values in place, the other script rows are appended in
// script order to one new block. `nextId` numbers appended inks and media.
template <class Rule>
MergeResult MergeTable(ProfileHeader& header, Table table, const ScriptRecord& script, int32_t* nextId) {
    using Row = typename Rule::Row;
    auto* rows = static_cast<Row*>(ScriptRows(script, table));
    const int32_t n = ScriptCount(script, table);
    int count = HeaderCount(header, table);
    auto* old = static_cast<Row*>(HeaderBlock(header, table));

    int32_t matched = 0;
    for (int32_t j = 0; j < n; ++j) {
        for (int k = 0; k < count; ++k) {
            if (Rule::Matches(old[k], rows[j])) {
                Rule::Take(old[k], rows[j]);  // before the mark, so the row's own key field travels
                Rule::Mark(rows[j]);
                ++matched;
                break;
            }
        }
    }
    if (matched == n) return MergeResult::Merged;

    // A count past what its field holds would wrap and corrupt the profile.
    int64_t appends = 0;
    for (int32_t j = 0; j < n; ++j) appends += Rule::IsConsumed(rows[j]) ? 0 : 1;
    if (count + appends > MaxHeaderCount(table)) return MergeResult::CountOverflow;

    const uint64_t blockRows = static_cast<uint64_t>(count) - static_cast<uint64_t>(matched) + static_cast<uint64_t>(n);
    if (blockRows > std::numeric_limits<std::size_t>::max() / sizeof(Row)) return MergeResult::NoMemory;
    auto* block = static_cast<Row*>(Tovrel().RIPmalloc(static_cast<std::size_t>(blockRows) * sizeof(Row)));
    if (block == nullptr) return MergeResult::NoMemory;  // the table keeps its block and count
    SetHeaderBlock(header, table, block);
    if (count > 0) {
        std::memmove(block, old, static_cast<std::size_t>(count) * sizeof(Row));
        Tovrel().RIPfree(old);
    }

    for (int32_t j = 0; j < n; ++j) {
        if (Rule::IsConsumed(rows[j])) continue;
        if constexpr (std::is_same_v<Row, NamedEntry>) {
            rows[j].id = *nextId;
            *nextId = static_cast<int32_t>(static_cast<uint32_t>(*nextId) + 1u);  // wraps, as the counter's width does
        }
        std::memcpy(&block[count], &rows[j], sizeof(Row));
        ++count;
        SetHeaderCount(header, table, count);
    }
    return MergeResult::Merged;
}

// Merges the six tables in the merge's own order.
MergeResult MergeScript(ProfileHeader& header, const ScriptRecord& script) {
    using Step = MergeResult (*)(ProfileHeader&, const ScriptRecord&);
    const Step steps[] = {
        [](ProfileHeader& h, const ScriptRecord& s) { return MergeTable<NamedRule>(h, Table::Ink, s, &h.nextInkId); },
        [](ProfileHeader& h, const ScriptRecord& s) {
            return MergeTable<NamedRule>(h, Table::Media, s, &h.nextMediaId);
        },
        [](ProfileHeader& h, const ScriptRecord& s) {
            return MergeTable<ColorTypeRule>(h, Table::ColorType, s, nullptr);
        },
        [](ProfileHeader& h, const ScriptRecord& s) {
            return MergeTable<BitsPerPixelRule>(h, Table::BitsPerPixel, s, nullptr);
        },
        [](ProfileHeader& h, const ScriptRecord& s) {
            return MergeTable<ResolutionRule>(h, Table::Resolution, s, nullptr);
        },
        [](ProfileHeader& h, const ScriptRecord& s) {
            return MergeTable<CorrectionRule>(h, Table::Correction, s, nullptr);
        },
    };
    for (Step step : steps) {
        const MergeResult result = step(header, script);
        if (result != MergeResult::Merged) return result;
    }
    return MergeResult::Merged;
}

bool HasRows(const ScriptRecord& script) {
    for (Table table : kTablesInFileOrder)
        if (ScriptCount(script, table) != 0) return true;
    return false;
}

}  // namespace

int WorkingData::UpdatePrinterProfiles(int silent) {
    const CString caption = LoadResString(IDS_QUILLON);
    m_nFailedWrites = 0;
    int result = 1;
    for (int32_t i = 0; i < m_nScriptCount; ++i) {
        ScriptRecord& script = m_pScripts[i];
        if (!HasRows(script)) continue;

        // Only filled slots take part: the zero slots behind them have empty
        // names and no profile. A written slot has given its name up.
        ProfileSlot* slot = nullptr;
        for (int32_t k = 0; k < m_nProfileCount && slot == nullptr; ++k)
            if (m_pProfiles[k].name[0] != 0 && SameText(script.printerName, m_pProfiles[k].name))
                slot = &m_pProfiles[k];
        if (slot == nullptr) continue;

        ProfileHeader& header = slot->header;
        const MergeResult merged = MergeScript(header, script);
        if (merged == MergeResult::NoMemory) {
            result = 0;
            break;
        }
        if (merged != MergeResult::Merged || !SetPrinterProfile(&script, &header, silent)) {
            ++m_nFailedWrites;
            ShowMessageBox(MessageOwner(), LoadResString(IDS_PROFILE_WRITE_FAILED), caption,
                           kMbOk | kMbIconExclamation);
            continue;
        }

        const CString device = DeviceNameText(header);
        if (!silent) RemoveListedPrinter(device);
        Tovrel().ClearPrinterProfileWorkArea(&header);
        for (Table table : kTablesInFileOrder) SetHeaderBlock(header, table, nullptr);
        slot->name[0] = 0;
    }
    // Tables of profiles not written, records and both arrays go back here,
    // also after a stop for lack of memory.
    ReleaseWorkingData();
    return result;
}
