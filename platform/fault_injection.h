// Failure on demand, for tests. Each operation that can fail for reasons
// outside the program (an allocation, a file operation, taking a lock) asks
// here first; a test can make the n-th such operation fail, or every
// operation of one kind, and so walk a whole update through each of its
// failure points one at a time. Without a test asking, nothing fails.
#pragma once

enum class FaultSite { Allocation, Open, Read, Write, Flush, Close, Replace, Chown, Lock };

// Counts one operation of `site`; true when a test made it fail.
bool InjectFault(FaultSite site);

// Makes the n-th operation from now on (1-based, every site counted in one
// sequence) fail; 0 fails none. Restarts the count and ends FailSite.
void FailOperationAt(int n);

// Makes every operation of `site` fail until FailOperationAt is called.
void FailSite(FaultSite site);

// Operations counted since the last FailOperationAt.
int CountedOperations();

// Returns whether an operation was failed since the last FailOperationAt,
// and which.
bool FaultInjected(FaultSite* site = nullptr);

// Returns the site's name ("allocation", "open", ...).
const char* FaultSiteName(FaultSite site);
