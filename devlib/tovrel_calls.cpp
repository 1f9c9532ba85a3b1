#include "devlib/tovrel.h"

namespace {

const TovrelCalls kLinked = {
    &::EnumOutputDevice,
    &::GetRIPDevInfo,
    &::GetPrinterProfile,
    &::GetPrinterProfileFromPath,
    &::ClearPrinterProfileWorkArea,
    &::RIPmalloc,
    &::RIPfree,
    &::GetCopyPoolPath,
    &::WriteRIPLogFile,
};

const TovrelCalls* g_current = &kLinked;

}  // namespace

const TovrelCalls& Tovrel() { return *g_current; }

const TovrelCalls& LinkedTovrel() { return kLinked; }

void SetTovrel(const TovrelCalls* calls) { g_current = calls ? calls : &kLinked; }
