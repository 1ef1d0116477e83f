#pragma once

// The rows held come by the tens of thousands, in blocks of megabytes made anew at every write.
// The C library's allocator, once such a block is freed, takes the next ones from its heap,
// where a few small allocations above them keep the freed space from going back to the
// system: each write's passing copies would stay in the program's footprint. From here on
// every block of 256 KiB or more is mapped on its own and given back when freed. Called first
// thing in main().
void giveLargeBlocksBack();
