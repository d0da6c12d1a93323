#pragma once
// A file command makes a few large allocations in turn: the file's text, the
// records read from it, the image, the text written. glibc hands each such
// block back to the kernel when it is freed and maps fresh pages for the next
// one, and every fresh 4 KiB page costs a page fault on first touch. That was
// about a third of a whole-area "plx71 convert". Keeping freed memory in the
// heap lets the output reuse the pages the input left.

namespace plx71::cli {

// Call once, first thing in main. Does nothing where the C library is not glibc.
void keepFreedMemoryForReuse();

} // namespace plx71::cli
