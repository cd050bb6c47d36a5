#include "files/png_memory.h"

#include <cstdlib>
#include <new>

std::int32_t pngAllocationsLeft = -1;

namespace {

// Before each block: its neighbours in the list of the blocks that the thread holds.
struct alignas(std::max_align_t) Header {
    Header* previous;
    Header* next;
};

thread_local Header* firstHeld = nullptr;

void hold(Header* header)
{
    header->previous = nullptr;
    header->next = firstHeld;
    if (firstHeld) firstHeld->previous = header;
    firstHeld = header;
}

void release(Header* header)
{
    if (header->previous) header->previous->next = header->next;
    if (header->next) header->next->previous = header->previous;
    if (firstHeld == header) firstHeld = header->next;
}

Header* headerOf(void* block)
{
    return static_cast<Header*>(block) - 1;
}

// The system's (re)allocation of header with room for size bytes behind it; null when it fails,
// with header as it was.
Header* resize(Header* header, std::size_t size)
{
    if (pngAllocationsLeft == 0 || size > SIZE_MAX - sizeof(Header)) return nullptr;
    if (pngAllocationsLeft > 0) --pngAllocationsLeft;
    return static_cast<Header*>(std::realloc(header, sizeof(Header) + size));
}

}  // namespace

void* pngAllocate(std::size_t size)
{
    Header* header = resize(nullptr, size);
    if (!header) throw std::bad_alloc();
    hold(header);
    return header + 1;
}

void* pngReallocate(void* block, std::size_t size)
{
    if (!block) return pngAllocate(size);
    Header* header = headerOf(block);
    release(header);
    Header* moved = resize(header, size);
    hold(moved ? moved : header);  // a block that could not grow is still the encoder's
    if (!moved) throw std::bad_alloc();
    return moved + 1;
}

void pngFree(void* block)
{
    if (!block) return;
    release(headerOf(block));
    std::free(headerOf(block));
}

void pngFreeAll()
{
    while (firstHeld) pngFree(firstHeld + 1);
}
