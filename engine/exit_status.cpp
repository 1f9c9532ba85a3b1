#include "engine/exit_status.h"

int ExitStatusOf(SilentUpdateResult result) {
    switch (result) {
        case SilentUpdateResult::Done: return kExitOk;
        case SilentUpdateResult::ScriptFailed: return kExitStartupError;
        case SilentUpdateResult::ProfileNotLoaded: return kExitProfileNotLoaded;
        case SilentUpdateResult::ProfileBusy: return kExitProfileBusy;
        case SilentUpdateResult::Refused: return kExitRefused;
        case SilentUpdateResult::WriteFailed: return kExitWriteFailed;
        case SilentUpdateResult::OutOfMemory: return kExitOutOfMemory;
    }
    return kExitStartupError;
}
