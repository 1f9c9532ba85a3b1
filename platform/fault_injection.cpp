#include "platform/fault_injection.h"

namespace {

// One sequence for the whole process: the program runs one thread.
struct State {
    int failAt = 0;
    int counted = 0;
    bool siteFails = false;
    FaultSite failingSite = FaultSite::Allocation;
    bool injected = false;
    FaultSite injectedSite = FaultSite::Allocation;
};

State& Faults() {
    static State state;
    return state;
}

}  // namespace

bool InjectFault(FaultSite site) {
    State& s = Faults();
    ++s.counted;
    const bool fail = (s.siteFails && s.failingSite == site) || s.counted == s.failAt;
    if (fail) {
        s.injected = true;
        s.injectedSite = site;
    }
    return fail;
}

void FailOperationAt(int n) { Faults() = State{n}; }

void FailSite(FaultSite site) {
    FailOperationAt(0);
    Faults().siteFails = true;
    Faults().failingSite = site;
}

int CountedOperations() { return Faults().counted; }

bool FaultInjected(FaultSite* site) {
    if (site != nullptr) *site = Faults().injectedSite;
    return Faults().injected;
}

const char* FaultSiteName(FaultSite site) {
    switch (site) {
        case FaultSite::Allocation: return "allocation";
        case FaultSite::Open: return "open";
        case FaultSite::Read: return "read";
        case FaultSite::Write: return "write";
        case FaultSite::Flush: return "flush";
        case FaultSite::Close: return "close";
        case FaultSite::Replace: return "replace";
        case FaultSite::Chown: return "chown";
        case FaultSite::Lock: return "lock";
    }
    return "?";
}
