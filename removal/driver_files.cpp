#include "removal_steps.h"

void RemoveDriverFiles() {
  // Not built yet: will remove the driver files and the boot-time queue.
}
