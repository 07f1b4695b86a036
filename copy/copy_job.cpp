#include "copy/copy_job.h"

HANDLE TickThreadHandle;
