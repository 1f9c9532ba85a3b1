#include "profile/tables.h"

std::size_t RowSize(Table table) {
    switch (table) {
        case Table::ColorType: return sizeof(ColorTypeEntry);
        case Table::Resolution: return sizeof(ResolutionEntry);
        case Table::Ink:
        case Table::Media: return sizeof(NamedEntry);
        case Table::BitsPerPixel: return sizeof(BitsPerPixelEntry);
        case Table::Correction: return sizeof(CorrectionEntry);
    }
    return 0;
}

const char16_t* TableName(Table table) {
    switch (table) {
        case Table::ColorType: return u"COLORTYPE";
        case Table::Resolution: return u"RESOLTAB";
        case Table::Ink: return u"INKTAB";
        case Table::Media: return u"MEDIATAB";
        case Table::BitsPerPixel: return u"BITSPPTAB";
        case Table::Correction: return u"CORRECTTAB";
    }
    return u"";
}

int HeaderCount(const ProfileHeader& h, Table table) {
    switch (table) {
        case Table::ColorType: return h.colorTypeCount;
        case Table::Resolution: return h.resolutionCount;
        case Table::Ink: return h.inkCount;
        case Table::Media: return h.mediaCount;
        case Table::BitsPerPixel: return h.bitsPerPixelCount;
        case Table::Correction: return h.correctionCount;
    }
    return 0;
}

void SetHeaderCount(ProfileHeader& h, Table table, int count) {
    switch (table) {
        case Table::ColorType: h.colorTypeCount = static_cast<int8_t>(count); break;
        case Table::Resolution: h.resolutionCount = static_cast<int8_t>(count); break;
        case Table::Ink: h.inkCount = static_cast<int16_t>(count); break;
        case Table::Media: h.mediaCount = static_cast<int16_t>(count); break;
        case Table::BitsPerPixel: h.bitsPerPixelCount = static_cast<int16_t>(count); break;
        case Table::Correction: h.correctionCount = static_cast<int16_t>(count); break;
    }
}

int MaxHeaderCount(Table table) {
    return table == Table::ColorType || table == Table::Resolution ? kMaxCount8 : kMaxCount16;
}

void* HeaderBlock(const ProfileHeader& h, Table table) {
    switch (table) {
        case Table::ColorType: return h.colorTypes;
        case Table::Resolution: return h.resolutions;
        case Table::Ink: return h.inks;
        case Table::Media: return h.media;
        case Table::BitsPerPixel: return h.bitsPerPixels;
        case Table::Correction: return h.corrections;
    }
    return nullptr;
}

void SetHeaderBlock(ProfileHeader& h, Table table, void* block) {
    switch (table) {
        case Table::ColorType: h.colorTypes = static_cast<ColorTypeEntry*>(block); break;
        case Table::Resolution: h.resolutions = static_cast<ResolutionEntry*>(block); break;
        case Table::Ink: h.inks = static_cast<NamedEntry*>(block); break;
        case Table::Media: h.media = static_cast<NamedEntry*>(block); break;
        case Table::BitsPerPixel: h.bitsPerPixels = static_cast<BitsPerPixelEntry*>(block); break;
        case Table::Correction: h.corrections = static_cast<CorrectionEntry*>(block); break;
    }
}

int32_t ScriptCount(const ScriptRecord& r, Table table) {
    switch (table) {
        case Table::ColorType: return r.colorTypeCount;
        case Table::Resolution: return r.resolutionCount;
        case Table::Ink: return r.inkCount;
        case Table::Media: return r.mediaCount;
        case Table::BitsPerPixel: return r.bitsPerPixelCount;
        case Table::Correction: return r.correctionCount;
    }
    return 0;
}

void* ScriptRows(const ScriptRecord& r, Table table) {
    switch (table) {
        case Table::ColorType: return r.colorTypes;
        case Table::Resolution: return r.resolutions;
        case Table::Ink: return r.inks;
        case Table::Media: return r.media;
        case Table::BitsPerPixel: return r.bitsPerPixels;
        case Table::Correction: return r.corrections;
    }
    return nullptr;
}

void SetScriptTable(ScriptRecord& r, Table table, int32_t count, void* rows) {
    switch (table) {
        case Table::ColorType:
            r.colorTypeCount = count;
            r.colorTypes = static_cast<ColorTypeEntry*>(rows);
            break;
        case Table::Resolution:
            r.resolutionCount = count;
            r.resolutions = static_cast<ResolutionEntry*>(rows);
            break;
        case Table::Ink:
            r.inkCount = count;
            r.inks = static_cast<NamedEntry*>(rows);
            break;
        case Table::Media:
            r.mediaCount = count;
            r.media = static_cast<NamedEntry*>(rows);
            break;
        case Table::BitsPerPixel:
            r.bitsPerPixelCount = count;
            r.bitsPerPixels = static_cast<BitsPerPixelEntry*>(rows);
            break;
        case Table::Correction:
            r.correctionCount = count;
            r.corrections = static_cast<CorrectionEntry*>(rows);
            break;
    }
}
