#include "removal_steps.h"

void RemoveInfFiles() {
  // Not built yet: will remove the INF files that name the card.
}
