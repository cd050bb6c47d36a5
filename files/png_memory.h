// The PNG encoder's memory. The encoder leaves some of its allocations unchecked, and would write
// through a null pointer when memory runs out: here every block is checked and tracked instead,
// and a failure leaves the encoder at once with std::bad_alloc, which encodePng catches before
// it frees whatever the encoder still held.
#pragma once

#include <cstddef>
#include <cstdint>

void* pngAllocate(std::size_t size);
void* pngReallocate(void* block, std::size_t size);
void pngFree(void* block);

// Frees every block that the calling thread's encoder still holds.
void pngFreeAll();

// For tests: how many more allocations succeed before every further one fails; -1 for all.
extern std::int32_t pngAllocationsLeft;
