#include "largeblocks.h"

#include <malloc.h>

void giveLargeBlocksBack()
{
    // A threshold that is set stays where it is set (the allocator no longer raises it).
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
}
