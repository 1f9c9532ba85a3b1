#include "support/file_contents.h"

// The replace of a Windows file keeps its owner and security itself; a test
// has no other user to give it to.
void GiveToAnotherUser(const std::filesystem::path&) {}
