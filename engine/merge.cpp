#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <type_traits>
#include <vector>

#include "engine/merge.h"

#include "devlib/tovrel.h"
#include "engine/profile_writer.h"
#include "engine/working_data.h"
#include "platform/text.h"
#include "profile/header_codec.h"
#include "profile/tables.h"
#include "res/resource.h"

namespace {

// Equal when the two texts (each up to its terminator, or all 260 units when
// a loaded row has none) are equal once folded. Only U+0000 folds to U+0000,
// so one pass finds both the first difference and the common end.
bool SameText(const char16_t (&a)[kTextUnits], const char16_t (&b)[kTextUnits]) {
    const char16_t* fold = FoldCaseTable();
    for (int i = 0; i < kTextUnits; ++i) {
        const char16_t unit = fold[a[i]];
        if (unit != fold[b[i]]) return false;
        if (unit == 0) return true;
    }
    return true;
}

// Keys are hashed as they compare: text folded, up to its end.
constexpr uint64_t kHashStart = 0xCBF29CE484222325u;

uint64_t HashValue(uint64_t hash, uint64_t value) { return (hash ^ value) * 0x100000001B3u; }

uint64_t HashText(uint64_t hash, const char16_t (&text)[kTextUnits]) {
    const char16_t* fold = FoldCaseTable();
    for (int i = 0; i < kTextUnits && text[i] != 0; ++i) hash = HashValue(hash, fold[text[i]]);
    return HashValue(hash, 0);  // ends the text, so "ab","c" and "a","bc" differ
}

// What each table matches on (kKeyFields names the fields that Matches
// compares), what a match takes over, and the mark that records a consumed
// script row. A match never changes the profile row's key: the key fields it
// takes over are equal to its own, names folded.
struct NamedRule {
    using Row = NamedEntry;
    static constexpr bool kTakesWholeRow = false;
    static constexpr const char* kKeyFields[] = {"name"};
    static bool Matches(const Row& p, const Row& s) { return SameText(p.name, s.name); }
    static uint64_t Hash(const Row& r) { return HashText(kHashStart, r.name); }
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
    static constexpr bool kTakesWholeRow = true;
    static constexpr const char* kKeyFields[] = {"typeKey"};
    static bool Matches(const Row& p, const Row& s) { return p.typeKey == s.typeKey; }
    static uint64_t Hash(const Row& r) { return HashValue(kHashStart, r.typeKey); }
    static void Take(Row& p, const Row& s) { p = s; }
    static bool IsConsumed(const Row& s) { return s.typeCode == kColorTypeConsumedMark; }
    static void Mark(Row& s) { s.typeCode = kColorTypeConsumedMark; }
};

struct BitsPerPixelRule {
    using Row = BitsPerPixelEntry;
    static constexpr bool kTakesWholeRow = true;
    static constexpr const char* kKeyFields[] = {"bppKey"};
    static bool Matches(const Row& p, const Row& s) { return p.bppKey == s.bppKey; }
    static uint64_t Hash(const Row& r) { return HashValue(kHashStart, r.bppKey); }
    static void Take(Row& p, const Row& s) { p = s; }
    static bool IsConsumed(const Row& s) { return s.bppKey == kBitsPerPixelConsumedMark; }
    static void Mark(Row& s) { s.bppKey = kBitsPerPixelConsumedMark; }
};

struct ResolutionRule {
    using Row = ResolutionEntry;
    static constexpr bool kTakesWholeRow = true;
    static constexpr const char* kKeyFields[] = {"res1", "res2", "res3", "res4"};
    static bool Matches(const Row& p, const Row& s) {
        return p.res1 == s.res1 && p.res2 == s.res2 && p.res3 == s.res3 && p.res4 == s.res4;
    }
    static uint64_t Hash(const Row& r) {
        uint64_t hash = kHashStart;
        for (int16_t part : {r.res1, r.res2, r.res3, r.res4}) hash = HashValue(hash, static_cast<uint16_t>(part));
        return hash;
    }
    static void Take(Row& p, const Row& s) { p = s; }
    static bool IsConsumed(const Row& s) { return s.res1 == kResolutionConsumedMark; }
    static void Mark(Row& s) { s.res1 = kResolutionConsumedMark; }
};

struct CorrectionRule {
    using Row = CorrectionEntry;
    static constexpr bool kTakesWholeRow = true;
    // level1 is no part of the key.
    static constexpr const char* kKeyFields[] = {"key1", "key2", "name1", "name2", "level2"};
    static bool Matches(const Row& p, const Row& s) {
        return p.key1 == s.key1 && p.key2 == s.key2 && p.level2 == s.level2 && SameText(p.name1, s.name1) &&
               SameText(p.name2, s.name2);
    }
    static uint64_t Hash(const Row& r) {
        uint64_t hash = kHashStart;
        for (uint16_t part : {static_cast<uint16_t>(r.key1), static_cast<uint16_t>(r.key2), uint16_t{r.level2}})
            hash = HashValue(hash, part);
        return HashText(HashText(hash, r.name1), r.name2);
    }
    static void Take(Row& p, const Row& s) { std::memcpy(&p, &s, sizeof p); }
    static bool IsConsumed(const Row& s) { return s.key1 == kCorrectionConsumedMark; }
    static void Mark(Row& s) { s.key1 = kCorrectionConsumedMark; }
};

// How far ahead the match pass asks for memory it will read.
constexpr int kAhead = 8;

// The first profile row of every key, so that matching a script row costs one
// lookup rather than a scan of the table. Rows with one key keep only the
// first of them, which is the row a scan in table order would stop at.
template <class Rule>
class FirstMatchIndex {
public:
    using Row = typename Rule::Row;

    FirstMatchIndex(const Row* rows, int count) : m_rows(rows) {
        std::size_t size = 16;
        while (size < 2 * static_cast<std::size_t>(count)) size *= 2;
        m_slots.assign(size, Slot{0, kEmpty});
        m_mask = size - 1;
        for (int k = 0; k < count; ++k) {
            const uint32_t hash = Mix(Rule::Hash(rows[k]));
            std::size_t i = Probe(hash, rows[k]);
            if (m_slots[i].row == kEmpty) m_slots[i] = Slot{hash, k};
        }
    }

    // The hash that Find takes for a row.
    static uint32_t HashOf(const Row& row) { return Mix(Rule::Hash(row)); }

    // Returns the first profile row whose key equals the script row's, or -1.
    int Find(uint32_t hash, const Row& row) const { return m_slots[Probe(hash, row)].row; }

    // Asks for what a later Find of the hash will read: its slot, and the
    // profile row that slot holds once the slot is at hand.
    void PrefetchSlot(uint32_t hash) const { __builtin_prefetch(&m_slots[hash & m_mask]); }
    void PrefetchRow(uint32_t hash) const {
        const int k = m_slots[hash & m_mask].row;
        if (k != kEmpty) __builtin_prefetch(&m_rows[k]);
    }

private:
    static constexpr int kEmpty = -1;
    // Eight bytes, so that the slots of a full table stay in the cache.
    struct Slot {
        uint32_t hash;
        int32_t row;
    };

    // Folds the high bits of a hash into the low ones, which pick the slot.
    static uint32_t Mix(uint64_t hash) { return static_cast<uint32_t>(hash ^ (hash >> 29) ^ (hash >> 47)); }

    // The slot holding the row's key, or the empty slot where it would go.
    std::size_t Probe(uint32_t hash, const Row& row) const {
        std::size_t i = hash & m_mask;
        while (m_slots[i].row != kEmpty && (m_slots[i].hash != hash || !Rule::Matches(m_rows[m_slots[i].row], row)))
            i = (i + 1) & m_mask;
        return i;
    }

    const Row* m_rows;
    std::vector<Slot> m_slots;
    std::size_t m_mask = 0;
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

    // Match pass. A profile row that several script rows match takes each of
    // them over in turn, so only the last one's values stay: `taker` keeps it.
    std::vector<int32_t> matchOf;  // per script row: the profile row it matched, or -1
    std::vector<int32_t> taker;    // per profile row: the last script row that matched it, or -1
    int32_t matched = 0;
    int64_t appends = 0;  // rows that will not hold the mark once the match pass is over
    if (n > 0 && count > 0) {
        const FirstMatchIndex<Rule> index(old, count);
        matchOf.assign(static_cast<std::size_t>(n), -1);
        taker.assign(static_cast<std::size_t>(count), -1);
        // Hashed in one pass over the script rows, so that the match pass
        // can ask for each slot and profile row well before it reads them.
        std::vector<uint32_t> hashes(static_cast<std::size_t>(n));
        for (int32_t j = 0; j < n; ++j) hashes[j] = index.HashOf(rows[j]);
        for (int32_t j = 0; j < n; ++j) {
            if (j + 2 * kAhead < n) index.PrefetchSlot(hashes[j + 2 * kAhead]);
            if (j + kAhead < n) index.PrefetchRow(hashes[j + kAhead]);
            const int k = index.Find(hashes[j], rows[j]);
            if (k >= 0) {
                matchOf[j] = k;
                taker[k] = j;
                ++matched;
            } else if (!Rule::IsConsumed(rows[j])) {
                ++appends;
            }
        }
    } else {
        for (int32_t j = 0; j < n; ++j) appends += Rule::IsConsumed(rows[j]) ? 0 : 1;
    }
    // The marks go in after the rows have been taken over, so that a whole-row
    // copy carries the script row's own key field.
    const auto markMatched = [&] {
        for (std::size_t j = 0; j < matchOf.size(); ++j)
            if (matchOf[j] >= 0) Rule::Mark(rows[j]);
    };

    MergeResult result = MergeResult::Merged;
    Row* block = nullptr;
    if (matched != n) {
        const uint64_t blockRows =
            static_cast<uint64_t>(count) - static_cast<uint64_t>(matched) + static_cast<uint64_t>(n);
        if (count + appends > MaxHeaderCount(table)) {
            result = MergeResult::CountOverflow;  // the count would wrap and corrupt the profile
        } else if (blockRows > std::numeric_limits<std::size_t>::max() / sizeof(Row)) {
            result = MergeResult::NoMemory;
        } else {
            block = static_cast<Row*>(Tovrel().RIPmalloc(static_cast<std::size_t>(blockRows) * sizeof(Row)));
            if (block == nullptr) result = MergeResult::NoMemory;
        }
    }
    if (block == nullptr) {
        // The table keeps its block and count; matched rows are updated in place.
        for (std::size_t k = 0; k < taker.size(); ++k)
            if (taker[k] >= 0) Rule::Take(old[k], rows[taker[k]]);
        markMatched();
        return result;
    }

    // The profile's rows keep their places in the new block. Each is written
    // there once: a matched row as its last script row leaves it, runs of
    // the others in one copy.
    SetHeaderBlock(header, table, block);
    for (int k = 0; k < count;) {
        if (taker[k] < 0) {
            int end = k + 1;
            while (end < count && taker[end] < 0) ++end;
            std::memcpy(&block[k], &old[k], static_cast<std::size_t>(end - k) * sizeof(Row));
            k = end;
            continue;
        }
        const Row& taken = rows[taker[k]];
        if constexpr (Rule::kTakesWholeRow) {
            std::memcpy(&block[k], &taken, sizeof(Row));
        } else {
            std::memcpy(&block[k], &old[k], sizeof(Row));
            Rule::Take(block[k], taken);
        }
        ++k;
    }
    if (count > 0) Tovrel().RIPfree(old);
    markMatched();

    for (int32_t j = 0; j < n; ++j) {
        if (Rule::IsConsumed(rows[j])) continue;
        if constexpr (std::is_same_v<Row, NamedEntry>) {
            rows[j].id = *nextId;
            *nextId = static_cast<int32_t>(static_cast<uint32_t>(*nextId) + 1u);  // wraps, as the counter's width does
        }
        std::memcpy(&block[count], &rows[j], sizeof(Row));
        ++count;
    }
    SetHeaderCount(header, table, count);
    return MergeResult::Merged;
}

// Calls `f` with the rule of the table as its template argument, so that
// every walk over the tables picks a table's rule in this one place.
template <class F>
decltype(auto) WithRule(Table table, F&& f) {
    switch (table) {
        case Table::Ink:
        case Table::Media: return f.template operator()<NamedRule>();
        case Table::ColorType: return f.template operator()<ColorTypeRule>();
        case Table::BitsPerPixel: return f.template operator()<BitsPerPixelRule>();
        case Table::Resolution: return f.template operator()<ResolutionRule>();
        case Table::Correction: break;
    }
    return f.template operator()<CorrectionRule>();
}

// The script's rows are indexed as the match pass indexes a profile's, so
// that each row finds the first row of its key in one lookup; per key, the
// first row the append pass would take is the profile row that later rows of
// the key match on the next run. A row holding its mark takes part in
// matching like any other, but is never appended itself. A later row that
// leaves that profile row as it is (a repeated line, a second blank row)
// changes nothing on the next run.
template <class Rule>
void AddRepeatedKeys(const ScriptRecord& script, Table table, std::vector<RepeatedKey>& out) {
    using Row = typename Rule::Row;
    const auto* rows = static_cast<const Row*>(ScriptRows(script, table));
    const int32_t n = ScriptCount(script, table);
    if (n <= 0) return;
    const auto changes = [](const Row& appended, const Row& later) {
        Row taken;
        std::memcpy(&taken, &appended, sizeof taken);
        Rule::Take(taken, later);
        return std::memcmp(&taken, &appended, sizeof taken) != 0;
    };
    const FirstMatchIndex<Rule> index(rows, n);
    std::vector<int32_t> appended(static_cast<std::size_t>(n), -1);  // by a key's first row
    for (int32_t j = 0; j < n; ++j) {
        int32_t& earlier = appended[static_cast<std::size_t>(index.Find(index.HashOf(rows[j]), rows[j]))];
        if (earlier < 0) {
            if (!Rule::IsConsumed(rows[j])) earlier = j;
        } else if (changes(rows[earlier], rows[j])) {
            out.push_back({table, j, earlier});
        }
    }
}

}  // namespace

std::vector<RepeatedKey> FindRepeatedKeys(const ScriptRecord& script) {
    std::vector<RepeatedKey> repeated;
    for (Table table : kTablesInFileOrder)
        WithRule(table, [&]<class Rule>() { AddRepeatedKeys<Rule>(script, table, repeated); });
    return repeated;
}

std::span<const char* const> MergeKeyFields(Table table) {
    return WithRule(table, []<class Rule>() { return std::span<const char* const>(Rule::kKeyFields); });
}

bool ScriptHasRows(const ScriptRecord& script) {
    for (Table table : kTablesInFileOrder)
        if (ScriptCount(script, table) != 0) return true;
    return false;
}

MergeResult MergeScriptTable(ProfileHeader& header, ScriptRecord& script, Table table) {
    int32_t* nextId = table == Table::Ink ? &header.nextInkId : table == Table::Media ? &header.nextMediaId : nullptr;
    return WithRule(table, [&]<class Rule>() { return MergeTable<Rule>(header, table, script, nextId); });
}

MergeResult MergeScriptTables(ProfileHeader& header, ScriptRecord& script) {
    for (Table table :
         {Table::Ink, Table::Media, Table::ColorType, Table::BitsPerPixel, Table::Resolution, Table::Correction}) {
        const MergeResult result = MergeScriptTable(header, script, table);
        if (result != MergeResult::Merged) return result;
    }
    return MergeResult::Merged;
}

int WorkingData::UpdatePrinterProfiles(int silent) {
    const CString caption = LoadResString(IDS_QUILLON);
    m_nFailedWrites = 0;
    int result = 1;
    for (int32_t i = 0; i < m_nScriptCount; ++i) {
        ScriptRecord& script = m_pScripts[i];
        if (!ScriptHasRows(script)) continue;

        // Only filled slots take part: the zero slots behind them have empty
        // names and no profile. A written slot has given its name up.
        ProfileSlot* slot = nullptr;
        for (int32_t k = 0; k < m_nProfileCount && slot == nullptr; ++k)
            if (m_pProfiles[k].name[0] != 0 && SameText(script.printerName, m_pProfiles[k].name))
                slot = &m_pProfiles[k];
        if (slot == nullptr) continue;

        ProfileHeader& header = slot->header;
        const MergeResult merged = MergeScriptTables(header, script);
        if (merged == MergeResult::NoMemory) {
            result = 0;
            break;
        }
        if (merged != MergeResult::Merged || !WriteMergedProfile(script, header, silent)) {
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
        // Written: another update of this profile may go ahead now.
        const std::size_t index = static_cast<std::size_t>(slot - m_pProfiles);
        if (index < m_profileLocks.size()) m_profileLocks[index]->Release();
    }
    // Tables of profiles not written, records and both arrays go back here,
    // also after a stop for lack of memory.
    ReleaseWorkingData();
    return result;
}

int WorkingData::WriteMergedProfile(const ScriptRecord& script, const ProfileHeader& header, int silent) {
    return SetPrinterProfile(&script, &header, silent);
}
