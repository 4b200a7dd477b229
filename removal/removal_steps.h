// The four removal steps, in the order the run calls them. Each passes over
// what it cannot do and reports nothing.
#pragma once

void RemoveRegistryEntries();
void RemoveDriverFiles();
void RemoveInfFiles();
void FilterStartupFiles();
