#include "removal_steps.h"

void RemoveRegistryEntries() {
  // Not built yet: will remove the card's registry keys.
}
