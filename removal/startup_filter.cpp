#include "removal_steps.h"

void FilterStartupFiles() {
  // Not built yet: will remove the driver lines of the DOS startup files.
}
